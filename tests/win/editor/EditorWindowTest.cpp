// The Win32 text editor created in-process and driven through its
// messages: code page 1250 files loaded and saved, find and replace as the
// system's dialogs ask for them, the questions before saving and closing
// through a scripted message-box service, the font size and the place
// shared by the editor windows.
#include "win/editor/EditorWindow.h"

#include <commctrl.h>
#include <commdlg.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/MessageBox.h"
#include "platform/SaveDialog.h"
#include "platform/Win32Text.h"
#include "tests/platform/TempDir.h"
#include "tests/win/editor/Screenshot.h"

namespace win {
namespace {

using testing_util::TempDir;
using win_test::ControlText;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

HWND TextOf(HWND editor) {
  return GetDlgItem(editor, kEditorText);
}
std::string Caption(HWND editor) {
  return ControlText(editor);
}
CHARRANGE Selection(HWND editor) {
  CHARRANGE r{};
  SendMessageW(TextOf(editor), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
  return r;
}
void Select(HWND editor, LONG from, LONG to) {
  CHARRANGE r{from, to};
  SendMessageW(TextOf(editor), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}
// The user types: the whole text replaced, as an edit that can be undone.
void Type(HWND editor, const std::string& text) {
  Select(editor, 0, -1);
  std::wstring w = platform::ToWide(text);
  for (wchar_t& c : w)
    if (c == L'\n') c = L'\r';
  SendMessageW(TextOf(editor), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w.c_str()));
}
void Command(HWND editor, int id) {
  SendMessageW(editor, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// What a find or replace dialog sends its owner.
void DialogAsks(HWND editor, DWORD flags, const std::string& what, const std::string& with) {
  static const UINT message = RegisterWindowMessageW(FINDMSGSTRINGW);
  std::wstring find = platform::ToWide(what), replace = platform::ToWide(with);
  FINDREPLACEW fr{};
  fr.lStructSize = sizeof(fr);
  fr.hwndOwner = editor;
  fr.Flags = flags | FR_DOWN;
  fr.lpstrFindWhat = find.data();
  fr.wFindWhatLen = static_cast<WORD>(find.size() + 1);
  fr.lpstrReplaceWith = replace.data();
  fr.wReplaceWithLen = static_cast<WORD>(replace.size() + 1);
  SendMessageW(editor, message, 0, reinterpret_cast<LPARAM>(&fr));
}

// Closes an editor whatever its text, answering Yes to the question.
void Discard(HWND editor) {
  if (!IsWindow(editor)) return;
  platform::ScriptedMessageBoxes boxes;
  boxes.Answer(platform::kIdYes);
  SendMessageW(editor, WM_CLOSE, 0, 0);
}

TEST(EditorWindowTest, LoadsCodePage1250AndSavesTheTextWithTheFilesOwnLineBreak) {
  TempDir t;
  struct Case {
    std::string name;
    std::optional<std::string> on_disk;  // none: no such file
    std::string shown;
    std::string typed;
    std::string saved;
  };
  const Case cases[] = {
      {"dos.txt", std::string("Za\xBF\xF3\xB3\xE6\r\ng\xEA\x9Cl\xB9"), "Zażółć\ngęślą",
       "Zażółć\ngęślą\njaźń", "Za\xBF\xF3\xB3\xE6\r\ng\xEA\x9Cl\xB9\r\nja\x9F\xF1"},
      {"unix.txt", std::string("a\nb"), "a\nb", "a\nb\nŁ", "a\nb\n\xA3"},
      {"nowy.txt", std::nullopt, "", "Nowy", "Nowy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = t / c.name;
    if (c.on_disk) WriteFile(path, *c.on_disk);
    platform::ScriptedMessageBoxes boxes;
    HWND editor = OpenTextEditorWindow(nullptr, path, true);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(Caption(editor), c.name);
    EXPECT_EQ(ControlText(TextOf(editor)), c.shown);
    Type(editor, c.typed);
    Command(editor, kCmdSave);
    EXPECT_EQ(ReadFile(path), c.saved);
    // Saved, the window closes without a question.
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_TRUE(boxes.shown.empty());
  }
}

TEST(EditorWindowTest, FindAndReplaceAsTheDialogsAskForThem) {
  enum Action { kFind, kReplace, kReplaceAll };
  struct Case {
    const char* text;
    CHARRANGE selection;
    Action action;
    DWORD flags;
    const char* what;
    const char* with;
    const char* after;   // the text afterwards
    CHARRANGE selected;  // the selection afterwards
    const char* box;     // the message shown, or none
  };
  const Case cases[] = {
      // From the start of the text when nothing is selected, wherever the caret.
      {"xx ABC abc", {5, 5}, kFind, 0, "abc", "", "xx ABC abc", {3, 6}, nullptr},
      {"xx ABC abc", {3, 6}, kFind, 0, "abc", "", "xx ABC abc", {7, 10}, nullptr},
      // After the last match: nothing, no wrap-around, no message.
      {"xx ABC abc", {7, 10}, kFind, 0, "abc", "", "xx ABC abc", {7, 10}, nullptr},
      {"ABC abc", {0, 0}, kFind, FR_MATCHCASE, "abc", "", "ABC abc", {4, 7}, nullptr},
      {"abcd abc", {0, 0}, kFind, FR_WHOLEWORD, "abc", "", "abcd abc", {5, 8}, nullptr},
      {"ŻÓŁW żółw", {0, 0}, kFind, 0, "żółw", "", "ŻÓŁW żółw", {0, 4}, nullptr},
      // Line breaks count one position each.
      {"x\ny\nabc", {0, 0}, kFind, 0, "abc", "", "x\ny\nabc", {4, 7}, nullptr},
      // A selected match is passed: the next one is replaced.
      {"a a a", {0, 1}, kReplace, FR_REPLACE, "a", "b", "a b a", {3, 3}, nullptr},
      {"a\na", {0, 0}, kReplace, FR_REPLACE, "A", "ą\nę", "ą\nę\na", {3, 3}, nullptr},
      {"a A a", {0, 0}, kReplaceAll, FR_REPLACEALL, "a", "aa", "aa aa aa", {8, 8}, nullptr},
      {"abc",
       {0, 0},
       kReplaceAll,
       FR_REPLACEALL,
       "zz",
       "y",
       "abc",
       {0, 0},
       "Nie znaleziono tekstu \"zz\""},
      {"abc",
       {0, 0},
       kReplace,
       FR_REPLACE,
       "zz",
       "y",
       "abc",
       {0, 0},
       "Nie znaleziono tekstu \"zz\""},
  };
  HWND editor = OpenTextEditorWindow(nullptr, "", false);
  ASSERT_NE(editor, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.what);
    platform::ScriptedMessageBoxes boxes;
    Type(editor, c.text);
    Select(editor, c.selection.cpMin, c.selection.cpMax);
    DialogAsks(editor, c.action == kFind ? FR_FINDNEXT | c.flags : c.flags, c.what, c.with);
    EXPECT_EQ(ControlText(TextOf(editor)), c.after);
    const CHARRANGE got = Selection(editor);
    EXPECT_EQ(got.cpMin, c.selected.cpMin);
    EXPECT_EQ(got.cpMax, c.selected.cpMax);
    if (c.box) {
      ASSERT_EQ(boxes.shown.size(), 1u);
      EXPECT_EQ(boxes.shown[0].text, c.box);
      EXPECT_EQ(boxes.shown[0].title, "");
      EXPECT_EQ(boxes.shown[0].flags, platform::kMbIconInformation);
    } else {
      EXPECT_TRUE(boxes.shown.empty());
    }
  }
  Discard(editor);
}

TEST(EditorWindowTest, QuestionsBeforeClosingAndSaving) {
  TempDir t;
  const std::string path = t / "opis.txt";
  struct Case {
    const char* name;
    bool edit;
    int command;  // WM_CLOSE when 0
    std::string typed;
    int answer;
    std::string question;  // "" when none is asked
    bool stays_open;
    std::string on_disk;
  };
  const std::string close_question = "Plik nie został zapisany. Kontynuować wyjście?";
  const std::string unmapped =
      "Tekst zawiera znaki, których nie można zapisać w stronie kodowej 1250 (1). Zostaną "
      "zapisane jako \"?\". Kontynuować?";
  const Case cases[] = {
      {"unchanged", false, 0, "", platform::kIdNo, "", false, "stary"},
      {"changed, No", true, 0, "nowy", platform::kIdNo, close_question, true, "stary"},
      {"changed, Yes", true, kCmdCancel, "nowy", platform::kIdYes, close_question, false, "stary"},
      {"unmappable, No", true, kCmdSave, "nowy 中", platform::kIdNo, unmapped, true, "stary"},
      {"unmappable, Yes", true, kCmdSave, "nowy 中", platform::kIdYes, unmapped, false, "nowy ?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(path, "stary");
    platform::ScriptedMessageBoxes boxes;
    HWND editor = OpenTextEditorWindow(nullptr, path, true);
    if (c.edit) Type(editor, c.typed);
    boxes.Answer(c.answer);
    if (c.command)
      Command(editor, c.command);
    else
      SendMessageW(editor, WM_CLOSE, 0, 0);
    EXPECT_EQ(IsWindow(editor) != 0, c.stays_open);
    if (c.question.empty()) {
      EXPECT_TRUE(boxes.shown.empty());
    } else {
      ASSERT_EQ(boxes.shown.size(), 1u);
      EXPECT_EQ(boxes.shown[0].text, c.question);
      EXPECT_EQ(boxes.shown[0].title, "Potwierdzenie");
    }
    EXPECT_EQ(ReadFile(path), c.on_disk);
    Discard(editor);
  }
}

TEST(EditorWindowTest, AnUntitledTextAsksForItsNameFirst) {
  TempDir t;
  platform::ScriptedMessageBoxes boxes;
  platform::ScriptedSaveDialogs dialogs;
  HWND editor = OpenTextEditorWindow(nullptr, "", true);
  EXPECT_EQ(Caption(editor), "Bez nazwy");
  Type(editor, "treść");
  dialogs.Cancel();
  Command(editor, kCmdSave);
  EXPECT_TRUE(IsWindow(editor));
  ASSERT_EQ(dialogs.seen.size(), 1u);
  EXPECT_EQ(dialogs.seen[0].filter, "tekst (*.txt)|*.txt");
  dialogs.Choose(t / "wybrany.txt");
  Command(editor, kCmdSave);
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(ReadFile(t / "wybrany.txt"), "tre\x9C\xE6");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(EditorWindowTest, APathThatCannotBeWrittenStaysAsItWasAndTheTextStaysOpen) {
  TempDir t;
  // A folder under the file's name: unreadable, and no file can replace it.
  const std::string path = t / "folder.txt";
  std::filesystem::create_directory(path);
  platform::ScriptedMessageBoxes boxes;
  HWND editor = OpenTextEditorWindow(nullptr, path, true);
  EXPECT_EQ(ControlText(TextOf(editor)), "");
  Type(editor, "nowy");
  boxes.Answer(platform::kIdYes);
  Command(editor, kCmdSave);
  EXPECT_TRUE(IsWindow(editor));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, "Nie udało się wczytać pliku " + path +
                                     ". Zapisanie tekstu zastąpi jego zawartość. Kontynuować?");
  EXPECT_EQ(boxes.shown[1].text, "Nie można zapisać pliku: " + path);
  EXPECT_EQ(boxes.shown[1].flags, platform::kMbIconError);
  EXPECT_TRUE(std::filesystem::is_directory(path));
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.dir()),
                          std::filesystem::directory_iterator()),
            1);
  // Still changed: closing asks.
  boxes.Answer(platform::kIdYes);
  SendMessageW(editor, WM_CLOSE, 0, 0);
  EXPECT_EQ(boxes.shown.size(), 3u);
  EXPECT_FALSE(IsWindow(editor));
}

TEST(EditorWindowTest, FontSizeAndPlaceOfTheNextWindow) {
  HWND editor = OpenTextEditorWindow(nullptr, "", true);
  EXPECT_EQ(EditorFontSize(editor), 8);
  HWND updown = GetDlgItem(editor, kEditorUpDown);
  struct Step {
    int position, size;
  };
  // The arrows stop at 6 and 14.
  for (const Step s : {Step{12, 12}, Step{20, 14}, Step{2, 6}}) {
    SendMessageW(updown, UDM_SETPOS32, 0, s.position);
    SendMessageW(editor, WM_VSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(updown));
    EXPECT_EQ(EditorFontSize(editor), s.size) << s.position;
  }
  MoveWindow(editor, 130, 140, 600, 400, FALSE);
  SendMessageW(editor, WM_CLOSE, 0, 0);
  ASSERT_FALSE(IsWindow(editor));
  editor = OpenTextEditorWindow(nullptr, "", true);
  RECT r;
  GetWindowRect(editor, &r);
  EXPECT_EQ(r.left, 130);
  EXPECT_EQ(r.top, 140);
  EXPECT_EQ(r.right - r.left, 600);
  EXPECT_EQ(r.bottom - r.top, 400);
  EXPECT_EQ(EditorFontSize(editor), 8);
  Discard(editor);
}

TEST(EditorWindowTest, EditorsCloseWithTheirOwnerOnlyAfterTheirQuestion) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  HWND editor = OpenTextEditorWindow(owner, "", true);
  Type(editor, "zmiana");
  platform::ScriptedMessageBoxes boxes;
  boxes.Answer(platform::kIdNo);
  EXPECT_FALSE(CloseTextEditors(owner));
  EXPECT_TRUE(IsWindow(editor));
  boxes.Answer(platform::kIdYes);
  EXPECT_TRUE(CloseTextEditors(owner));
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(boxes.shown.size(), 2u);
  DestroyWindow(owner);
}

TEST(EditorWindowTest, Screenshots) {
  TempDir t;
  WriteFile(t / "opis.txt",
            "Punkt osnowy 1234\r\nOpis topograficzny: s\xB3up przy drodze, 2 m od kraw\xEA"
            "dzi "
            "jezdni.\r\n\tZnak: s\xB3upek betonowy.\r\n");
  HWND editor = OpenTextEditorWindow(nullptr, t / "opis.txt", true);
  EXPECT_TRUE(win_test::Screenshot(editor, "editor"));
  Command(editor, kCmdFind);
  ASSERT_NE(EditorFindDialog(editor), nullptr);
  EXPECT_TRUE(win_test::Screenshot(EditorFindDialog(editor), "editor-find"));
  Command(editor, kCmdReplace);
  ASSERT_NE(EditorReplaceDialog(editor), nullptr);
  EXPECT_TRUE(win_test::Screenshot(EditorReplaceDialog(editor), "editor-replace"));
  Discard(editor);
}

}  // namespace
}  // namespace win
