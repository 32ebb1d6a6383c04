// The tool windows: thin Win32 views over ui/Tools.
#include "win/editor/ToolWindows.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "engine/Messages.h"
#include "engine/UserDialog.h"
#include "platform/MessageBox.h"
#include "platform/OpenDialog.h"
#include "platform/Win32Text.h"
#include "win/editor/Common.h"

namespace win {

namespace {

// What every tool window has: its owner, disabled while it is open.
struct ToolWindow {
  virtual ~ToolWindow() = default;
  virtual void Layout(int width, int height) = 0;
  virtual void Command(int id) = 0;
  HWND hwnd = nullptr;
  HWND owner = nullptr;
};

struct ReportWindow : ToolWindow {
  std::string text;
  HWND edit = nullptr, copy = nullptr, close = nullptr;
  void Layout(int width, int height) override;
  void Command(int id) override;
};

struct BackupsWindow : ToolWindow {
  std::string folder;
  platform::Env* env = nullptr;
  ui::BackupList list;
  HWND label = nullptr, table = nullptr, restore = nullptr, close = nullptr;
  void Layout(int width, int height) override;
  void Command(int id) override;
  void Fill();
  void Restore(int row);
};

ToolWindow* WindowOf(HWND hwnd) {
  return reinterpret_cast<ToolWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK ToolProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  ToolWindow* w = WindowOf(hwnd);
  if (msg == WM_NCCREATE) {
    w = static_cast<ToolWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    w->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
  }
  if (!w) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_SIZE:
      w->Layout(LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == kToolClose) {
        DestroyWindow(hwnd);
        return 0;
      }
      Guarded([&] { w->Command(LOWORD(wp)); });
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      // The owner comes back before it would lose the activation.
      if (w->owner) EnableWindow(w->owner, TRUE);
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      delete w;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Makes the window of `w` (owned by it from here on), disables the owner.
HWND Create(std::unique_ptr<ToolWindow> w, HWND owner, const std::string& title, int width,
            int height) {
  const wchar_t* cls = RegisterWindowClass(L"PodzialToolWindow", ToolProc);
  ToolWindow* raw = w.get();
  raw->owner = owner;
  RECT r{0, 0, Scaled(width), Scaled(height)};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_DLGMODALFRAME);
  HWND hwnd = CreateWindowExW(
      WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, cls, platform::ToWide(title).c_str(),
      WS_OVERLAPPEDWINDOW & ~WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
      r.bottom - r.top, owner, nullptr, GetModuleHandleW(nullptr), w.release());
  if (!hwnd) {
    delete raw;
    return nullptr;
  }
  return hwnd;
}

HWND Shown(HWND hwnd) {
  ToolWindow* w = WindowOf(hwnd);
  RECT rc;
  GetClientRect(hwnd, &rc);
  w->Layout(rc.right, rc.bottom);
  if (w->owner) EnableWindow(w->owner, FALSE);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  return hwnd;
}

// "Kopiuj" and "Zamknij" (or another pair) at the bottom right.
void PlaceButtons(std::initializer_list<HWND> buttons, int width, int height) {
  const int w = Scaled(100), h = Scaled(30), gap = Scaled(10);
  int x = width - gap - static_cast<int>(buttons.size()) * (w + gap) + gap;
  for (HWND b : buttons) {
    MoveWindow(b, x, height - gap - h, w, h, TRUE);
    x += w + gap;
  }
}

std::wstring WithCrLf(const std::string& text) {
  std::wstring out;
  for (wchar_t c : platform::ToWide(text)) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

void ReportWindow::Layout(int width, int height) {
  const int gap = Scaled(10);
  MoveWindow(edit, gap, gap, width - 2 * gap, height - 3 * gap - Scaled(30), TRUE);
  PlaceButtons({copy, close}, width, height);
}

void ReportWindow::Command(int id) {
  if (id == kToolCopy) CopyToClipboard(hwnd, text);
}

void BackupsWindow::Layout(int width, int height) {
  const int gap = Scaled(10), line = Scaled(20);
  MoveWindow(label, gap, gap, width - 2 * gap, line, TRUE);
  MoveWindow(table, gap, 2 * gap + line, width - 2 * gap, height - 5 * gap - line - Scaled(30),
             TRUE);
  PlaceButtons({restore, close}, width, height);
}

void BackupsWindow::Command(int id) {
  if (id == kToolRestore)
    Restore(static_cast<int>(SendMessageW(table, LVM_GETNEXTITEM, -1, LVNI_SELECTED)));
}

void BackupsWindow::Fill() {
  list = ui::ListBackupsOf(env, folder);
  SendMessageW(table, LVM_DELETEALLITEMS, 0, 0);
  for (size_t r = 0; r < list.rows.size(); ++r) {
    const ui::BackupRow& row = list.rows[r];
    const std::string cells[] = {row.date, row.name, row.jobs, row.size, row.state};
    for (int c = 0; c < 5; ++c) {
      std::wstring cell = platform::ToWide(cells[c]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = c;
      item.pszText = cell.data();
      SendMessageW(table, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  // Each column as wide as its widest cell or its header; the last one
  // fills the rest.
  for (int c = 0; c < 5; ++c) {
    int width = 0;
    for (int how : {LVSCW_AUTOSIZE, LVSCW_AUTOSIZE_USEHEADER}) {
      SendMessageW(table, LVM_SETCOLUMNWIDTH, c, how);
      width = std::max(width, static_cast<int>(SendMessageW(table, LVM_GETCOLUMNWIDTH, c, 0)));
    }
    SendMessageW(table, LVM_SETCOLUMNWIDTH, c,
                 c == 4 ? LVSCW_AUTOSIZE_USEHEADER : width + Scaled(8));
  }
  if (!list.rows.empty()) {
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(table, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
  }
  EnableWindow(restore, !list.rows.empty());
  if (!list.error.empty())
    platform::ShowMessage(list.error, kErrorTitle, platform::kMbOk | platform::kMbIconError);
}

void BackupsWindow::Restore(int row) {
  if (row < 0 || row >= static_cast<int>(list.entries.size())) return;
  const engine::BackupEntry backup = list.entries[static_cast<size_t>(row)];
  std::string refused;
  const std::string question = ui::RestoreQuestion(env, backup, &refused);
  if (question.empty()) {
    platform::ShowMessage(refused, kErrorTitle, platform::kMbOk | platform::kMbIconError);
    return;
  }
  if (platform::ShowMessage(question, "", engine::kFlagsQuestion) != engine::kAnswerYes) return;
  const ui::ToolReport r = ui::RestoreBackup(env, backup);
  platform::ShowMessage(
      r.text, r.ok ? engine::kTitleInformation : kErrorTitle,
      r.ok ? engine::kFlagsInformation : platform::kMbOk | platform::kMbIconError);
  Fill();
}

std::string ChooseFolder(HWND owner, const std::string& title, const std::string& start) {
  platform::OpenDialogRequest request;
  request.title = title;
  request.pick_folder = true;
  request.initial_dir = start;
  request.options = platform::kOfnPathMustExist | platform::kOfnEnableSizing;
  return platform::ExecuteFileDialog(request) ? request.file_name : std::string();
}

std::string ChooseFile(HWND owner, const std::string& title, const std::string& start) {
  platform::OpenDialogRequest request;
  request.title = title;
  request.filter = ui::kCheckFilter;
  request.file_name = start;
  request.options =
      platform::kOfnFileMustExist | platform::kOfnHideReadOnly | platform::kOfnEnableSizing;
  return platform::ExecuteFileDialog(request) ? request.file_name : std::string();
}

}  // namespace

HWND ShowReportWindow(HWND owner, const ui::ToolReport& report) {
  auto w = std::make_unique<ReportWindow>();
  ReportWindow* r = w.get();
  r->text = report.text;
  HWND hwnd = Create(std::move(w), owner, report.title, 600, 360);
  if (!hwnd) return nullptr;
  r->edit = MakeChild(hwnd, L"EDIT", "",
                      ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                      kToolText, WS_EX_CLIENTEDGE);
  SetWindowTextW(r->edit, WithCrLf(report.text).c_str());
  r->copy = MakeChild(hwnd, L"BUTTON", "Kopiuj", BS_PUSHBUTTON | WS_TABSTOP, kToolCopy);
  r->close = MakeChild(hwnd, L"BUTTON", "Zamknij", BS_DEFPUSHBUTTON | WS_TABSTOP, kToolClose);
  return Shown(hwnd);
}

HWND ShowBackupsWindow(HWND owner, const std::string& folder, platform::Env* env) {
  auto w = std::make_unique<BackupsWindow>();
  BackupsWindow* b = w.get();
  b->folder = folder;
  b->env = env;
  HWND hwnd = Create(std::move(w), owner, ui::kBackupsTitle, 760, 300);
  if (!hwnd) return nullptr;
  b->label =
      MakeChild(hwnd, L"STATIC", ui::kFolderLabel + folder, SS_LEFT | SS_PATHELLIPSIS, kToolLabel);
  b->table =
      MakeChild(hwnd, WC_LISTVIEWW, "", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
                kToolList, WS_EX_CLIENTEDGE);
  SendMessageW(b->table, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  int c = 0;
  for (const char* header : ui::kBackupColumns) {
    std::wstring text = platform::ToWide(header);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = Scaled(100);
    col.pszText = text.data();
    SendMessageW(b->table, LVM_INSERTCOLUMNW, c++, reinterpret_cast<LPARAM>(&col));
  }
  b->restore = MakeChild(hwnd, L"BUTTON", "Przywróć", BS_PUSHBUTTON | WS_TABSTOP, kToolRestore);
  b->close = MakeChild(hwnd, L"BUTTON", "Zamknij", BS_PUSHBUTTON | WS_TABSTOP, kToolClose);
  Shown(hwnd);
  Guarded([b] { b->Fill(); });
  return hwnd;
}

HWND RunTool(ui::Tool tool, HWND owner, const engine::RequestEntries& entries, platform::Env* env) {
  const std::string folder = ui::ToolsFolder(entries);
  switch (tool) {
    case ui::Tool::kPreview: {
      engine::MessageBoxDialog dialog;
      const ui::ToolReport r = ui::PreviewDivision(env, &dialog, entries);
      if (r.text.empty()) return nullptr;
      return ShowReportWindow(owner, r);
    }
    case ui::Tool::kBackups: {
      std::string dir = folder;
      if (dir.empty()) dir = ChooseFolder(owner, ui::kChooseBackupsFolder, "");
      if (dir.empty()) return nullptr;
      return ShowBackupsWindow(owner, dir, env);
    }
    case ui::Tool::kCheck: {
      const std::string file =
          ChooseFile(owner, ui::kChooseCheckFile,
                     entries.DivType == engine::kDivUser ? entries.DataFN : folder);
      if (file.empty()) return nullptr;
      return ShowReportWindow(owner, ui::CheckDescriptionFile(env, file));
    }
    case ui::Tool::kRecover: {
      const std::string dir = ChooseFolder(owner, ui::kChooseRecoverFolder, folder);
      if (dir.empty()) return nullptr;
      return ShowReportWindow(owner, ui::RecoverFolder(env, dir));
    }
  }
  return nullptr;
}

void ShowToolsMenu(HWND owner, HWND button, const std::function<engine::RequestEntries()>& entries,
                   platform::Env* env) {
  HMENU menu = CreatePopupMenu();
  int id = 1;
  for (ui::Tool tool : ui::kTools)
    AppendMenuW(menu, MF_STRING, id++, platform::ToWide(ui::ToolName(tool)).c_str());
  RECT r{};
  if (button) GetWindowRect(button, &r);
  const int chosen = static_cast<int>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, owner, nullptr));
  DestroyMenu(menu);
  if (chosen < 1 || chosen > static_cast<int>(std::size(ui::kTools))) return;
  Guarded([&] { RunTool(ui::kTools[chosen - 1], owner, entries(), env); });
}

HWND OfferRecoveryWindow(HWND owner, const std::string& folder, platform::Env* env) {
  const std::vector<std::string> runs = ui::InterruptedRuns(env, folder);
  if (runs.empty()) return nullptr;
  if (platform::ShowMessage(ui::RecoverOffer(folder, runs), "", engine::kFlagsQuestion) !=
      engine::kAnswerYes)
    return nullptr;
  return ShowReportWindow(owner, ui::RecoverFolder(env, folder));
}

void OfferRecovery(HWND owner, const std::string& folder, platform::Env* env) {
  Guarded([&] { OfferRecoveryWindow(owner, folder, env); });
}

bool IsToolDialogMessage(MSG* msg) {
  HWND top = msg->hwnd ? GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
  if (!top) return false;
  wchar_t cls[32] = {};
  GetClassNameW(top, cls, 32);
  return std::wstring(cls) == L"PodzialToolWindow" && IsDialogMessageW(top, msg);
}

}  // namespace win
