// The path picker's rules.
#include "ui/PickerRule.h"

#include "platform/Path.h"

namespace ui {

namespace {

// A folder as the edit shows it: without a trailing separator, except the
// root, which keeps its own.
std::string FolderText(std::string path) {
  while (path.size() > 1 && platform::IsPathDelim(path.back()) && path[path.size() - 2] != ':')
    path.pop_back();
  return path;
}

}  // namespace

PickerAsk AskFor(const std::string& edit_text, bool select_directory) {
  PickerAsk ask;
  if (select_directory) {
    ask.pick_folder = true;
    ask.initial_dir = FolderText(edit_text);
  } else {
    ask.file_name = edit_text;
    ask.initial_dir = platform::ExtractFileDir(edit_text);
  }
  return ask;
}

PickerChoice Chosen(const std::string& chosen, bool select_directory) {
  PickerChoice c;
  c.edit_text = select_directory ? FolderText(chosen) : chosen;
  c.next_initial_dir = select_directory ? c.edit_text : platform::ExtractFileDir(chosen);
  return c;
}

PickerButtons ArrangePicker(int width, int height, bool no_edit) {
  PickerButtons b;
  b.edit_visible = !no_edit;
  if (no_edit) {
    b.change = {0, 0, width, height};
  } else {
    b.change = {0, 0, width / 2, height};
    b.edit = {width / 2, 0, width - width / 2, height};
  }
  return b;
}

}  // namespace ui
