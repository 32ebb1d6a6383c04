// The Win32 tool windows over real databases: the check's report, the
// backups list with a restore checked on disk, the offer to repair an
// interrupted run, each created in-process and driven through messages.
#include "win/editor/ToolWindows.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "engine/Commit.h"
#include "platform/MessageBox.h"
#include "platform/OpenDialog.h"
#include "platform/Win32Text.h"
#include "tests/engine/Databases.h"
#include "tests/win/editor/Screenshot.h"

namespace win {
namespace {

using namespace engine_test;
using testing_util::TempDir;
using win_test::ControlText;

struct YesDialog : engine::UserDialog {
  int Ask(const std::string&, const std::string&, int) override { return engine::kAnswerYes; }
  void Inform(const std::string&, const std::string&, int) override {}
};

engine::RequestEntries Tolm(const std::string& dir) {
  engine::RequestEntries e;
  e.DivType = engine::kDivTolm;
  e.TolmDir = dir;
  e.TolmSize = 1;
  return e;
}

HWND Owner() {
  return CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

std::string Cell(HWND list, int row, int column) {
  wchar_t buffer[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return platform::FromWide(buffer);
}

std::string Header(HWND list, int column) {
  wchar_t buffer[128] = {};
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = buffer;
  col.cchTextMax = 128;
  SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&col));
  return platform::FromWide(buffer);
}

TEST(ToolWindowsTest, CheckReportShowsTheToolsTextAndCopiesIt) {
  TempDir t;
  Make(SmallTable(t.dir()));
  platform::ScriptedOpenDialogs dialogs;
  dialogs.Choose(t / "opisy.dat");
  HWND owner = Owner();
  engine::RequestEntries entries;
  entries.DataFN = t / "opisy.dat";
  HWND report = RunTool(ui::Tool::kCheck, owner, entries, platform::Env::Default());
  ASSERT_NE(report, nullptr);
  ASSERT_EQ(dialogs.seen.size(), 1u);
  EXPECT_EQ(dialogs.seen[0].title, ui::kChooseCheckFile);
  EXPECT_FALSE(dialogs.seen[0].pick_folder);
  const ui::ToolReport want = ui::CheckDescriptionFile(platform::Env::Default(), t / "opisy.dat");
  EXPECT_EQ(ControlText(report), want.title);
  EXPECT_EQ(ControlText(GetDlgItem(report, kToolText)), want.text);
  EXPECT_NE(want.text.find("Wynik: plik jest poprawny"), std::string::npos) << want.text;
  // The owner waits while the report is open.
  EXPECT_FALSE(IsWindowEnabled(owner));
  EXPECT_TRUE(win_test::Screenshot(report, "tool-report"));

  SendMessageW(report, WM_COMMAND, kToolCopy, 0);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(data, nullptr);
  std::string copied = platform::FromWide(static_cast<const wchar_t*>(GlobalLock(data)));
  GlobalUnlock(data);
  CloseClipboard();
  std::string lf;
  for (char c : copied)
    if (c != '\r') lf += c;
  EXPECT_EQ(lf, want.text);

  SendMessageW(report, WM_COMMAND, kToolClose, 0);
  EXPECT_FALSE(IsWindow(report));
  EXPECT_TRUE(IsWindowEnabled(owner));
  // A cancelled choice opens nothing.
  EXPECT_EQ(RunTool(ui::Tool::kCheck, owner, entries, platform::Env::Default()), nullptr);
  DestroyWindow(owner);
}

TEST(ToolWindowsTest, BackupsListedAndRestoredAfterTheQuestion) {
  TempDir t;
  const std::string db = t / "db";
  fs::create_directories(db);
  ASSERT_TRUE(demodb::GenerateTolm(db, 1, 7).ok());
  const Snapshot original = Snap(db);
  {
    YesDialog yes;
    engine::DivisionRequest request(&yes, engine::DividerJobRunner());
    ASSERT_TRUE(request.Run(Tolm(db)).completed);
  }
  platform::Env* env = platform::Env::Default();
  HWND owner = Owner();
  platform::ScriptedMessageBoxes boxes;
  HWND window = RunTool(ui::Tool::kBackups, owner, Tolm(db), env);
  ASSERT_NE(window, nullptr);
  HWND list = GetDlgItem(window, kToolList);
  const ui::BackupList want = ui::ListBackupsOf(env, db);
  ASSERT_EQ(want.rows.size(), 1u);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
  const ui::BackupRow& row = want.rows[0];
  const std::string cells[] = {row.date, row.name, row.jobs, row.size, row.state};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(Header(list, c), ui::kBackupColumns[c]);
    EXPECT_EQ(Cell(list, 0, c), cells[c]);
  }
  EXPECT_EQ(ControlText(GetDlgItem(window, kToolLabel)), "Katalog: " + db);
  EXPECT_TRUE(win_test::Screenshot(window, "tool-backups"));

  // No: nothing moves. Yes: the files before the division come back.
  struct Case {
    int answer;
    size_t boxes;
    const char* state;
  };
  const Snapshot divided = Snap(db);
  // The question, then what came of the restore.
  for (const Case c :
       {Case{platform::kIdNo, 1, "do przywrócenia"}, Case{platform::kIdYes, 2, "przywrócona"}}) {
    boxes.shown.clear();
    boxes.Answer(c.answer);
    SendMessageW(window, WM_COMMAND, kToolRestore, 0);
    ASSERT_EQ(boxes.shown.size(), c.boxes);
    EXPECT_EQ(boxes.shown[0].flags, engine::kFlagsQuestion);
    EXPECT_EQ(Cell(list, 0, 4), c.state);
  }
  EXPECT_EQ(boxes.shown[1].title, "Informacja");
  EXPECT_EQ(boxes.shown[1].text.rfind("Przywrócono dane z katalogu: ", 0), 0u)
      << boxes.shown[1].text;
  for (const std::string& d : Subdirs(db, "new")) fs::remove_all(db + platform::kPathDelim + d);
  Snapshot now = Snap(db);
  for (auto it = now.begin(); it != now.end();)
    it = it->first.rfind("old", 0) == 0 ? now.erase(it) : std::next(it);
  EXPECT_TRUE(SameFiles(now, original));
  EXPECT_FALSE(SameFiles(divided, original));
  DestroyWindow(owner);
}

TEST(ToolWindowsTest, InterruptedRunOfferedAndRepaired) {
  struct Case {
    int answer;
    bool report;
  };
  for (const Case c : {Case{platform::kIdNo, false}, Case{platform::kIdYes, true}}) {
    TempDir t;
    const std::string work = t / "tmp4711.tmp";
    fs::create_directories(work);
    std::ofstream(work + platform::kPathDelim + engine::kWorkLockName) << engine::kLockMark;
    ASSERT_TRUE(test_support::Backdate(work + platform::kPathDelim + engine::kWorkLockName, 3600));
    platform::ScriptedMessageBoxes boxes;
    boxes.Answer(c.answer);
    HWND window = OfferRecoveryWindow(nullptr, t.dir(), platform::Env::Default());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].flags, engine::kFlagsQuestion);
    EXPECT_EQ(window != nullptr, c.report);
    EXPECT_EQ(fs::exists(work), !c.report);
    if (window) {
      EXPECT_EQ(ControlText(window), ui::ToolName(ui::Tool::kRecover));
      EXPECT_NE(ControlText(GetDlgItem(window, kToolText)).find("tmp4711.tmp"), std::string::npos);
      EXPECT_TRUE(ui::InterruptedRuns(platform::Env::Default(), t.dir()).empty());
      DestroyWindow(window);
    }
  }
}

}  // namespace
}  // namespace win
