// The path picker's rules: what the dialog is opened with, what a choice
// writes into the edit, where the buttons stand.
#include "ui/PickerRule.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

#ifdef _WIN32
#define P(unix_path, win_path) win_path
#else
#define P(unix_path, win_path) unix_path
#endif

TEST(PickerRuleTest, WhatTheDialogIsOpenedWith) {
  struct Case {
    const char* edit;
    bool folder;
    const char* file_name;
    const char* initial_dir;
  };
  const Case cases[] = {
      {P("/data/opisy.dat", "C:\\data\\opisy.dat"), false,
       P("/data/opisy.dat", "C:\\data\\opisy.dat"), P("/data", "C:\\data")},
      {"opisy.dat", false, "opisy.dat", ""},  // no folder: the dialog keeps its own
      {"", false, "", ""},
      // A folder chooser opens on the folder itself, never on a wildcard.
      {P("/baza", "D:\\baza"), true, "", P("/baza", "D:\\baza")},
      {P("/baza/", "D:\\baza\\"), true, "", P("/baza", "D:\\baza")},
      {P("/", "C:\\"), true, "", P("/", "C:\\")},
      {"", true, "", ""},
  };
  for (const Case& c : cases) {
    const PickerAsk ask = AskFor(c.edit, c.folder);
    EXPECT_EQ(ask.pick_folder, c.folder) << c.edit;
    EXPECT_EQ(ask.file_name, c.file_name) << c.edit;
    EXPECT_EQ(ask.initial_dir, c.initial_dir) << c.edit;
  }
}

TEST(PickerRuleTest, WhatAChoiceWritesBack) {
  struct Case {
    const char* chosen;
    bool folder;
    const char* edit;
    const char* next_dir;
  };
  const Case cases[] = {
      {P("/other/nowe.dat", "C:\\other\\nowe.dat"), false,
       P("/other/nowe.dat", "C:\\other\\nowe.dat"), P("/other", "C:\\other")},
      {P("/x.dat", "C:\\x.dat"), false, P("/x.dat", "C:\\x.dat"), P("/", "C:\\")},
      {P("/baza/sub", "D:\\baza\\sub"), true, P("/baza/sub", "D:\\baza\\sub"),
       P("/baza/sub", "D:\\baza\\sub")},
      {P("/baza/sub/", "D:\\baza\\sub\\"), true, P("/baza/sub", "D:\\baza\\sub"),
       P("/baza/sub", "D:\\baza\\sub")},
      {P("/", "C:\\"), true, P("/", "C:\\"), P("/", "C:\\")},
  };
  for (const Case& c : cases) {
    const PickerChoice choice = Chosen(c.chosen, c.folder);
    EXPECT_EQ(choice.edit_text, c.edit) << c.chosen;
    EXPECT_EQ(choice.next_initial_dir, c.next_dir) << c.chosen;
  }
}

TEST(PickerRuleTest, ButtonsShareTheWidthOrZmienTakesItAll) {
  struct Case {
    int width;
    bool no_edit;
    Box change, edit;
  };
  const Case cases[] = {
      {151, false, {0, 0, 75, 25}, {75, 0, 76, 25}},
      {150, false, {0, 0, 75, 25}, {75, 0, 75, 25}},
      {151, true, {0, 0, 151, 25}, {}},
      {86, true, {0, 0, 86, 25}, {}},
  };
  for (const Case& c : cases) {
    const PickerButtons b = ArrangePicker(c.width, 25, c.no_edit);
    EXPECT_EQ(b.edit_visible, !c.no_edit) << c.width;
    EXPECT_EQ(b.change, c.change) << c.width;
    if (!c.no_edit) {
      EXPECT_EQ(b.edit, c.edit) << c.width;
    }
  }
}

}  // namespace
}  // namespace ui
