// The text editor window: a rich edit in plain-text mode, a row of tool
// buttons and the system's find and replace dialogs. What is loaded,
// saved, asked and searched is the core's (ui/EditorModel, ui/TextSearch).
#include "win/editor/EditorWindow.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/Env.h"
#include "platform/MessageBox.h"
#include "platform/SaveDialog.h"
#include "platform/Win32Text.h"
#include "ui/EditorModel.h"
#include "ui/TextSearch.h"
#include "win/editor/Common.h"
#include "win/editor/EditorFile.h"

namespace win {

namespace {

// Where every editor window of the process opens: the last one's place.
struct EditorBounds {
  int left = 100, top = 125, width = 560, height = 320;
};
EditorBounds g_bounds;

constexpr int kFontMin = 6, kFontMax = 14, kFontStep = 2, kFontStart = 8;
constexpr size_t kFindBuffer = 256;

struct Editor {
  explicit Editor(const std::string& path) : model(path) {}
  ui::EditorModel model;
  HWND hwnd = nullptr, toolbar = nullptr, text = nullptr, size = nullptr, updown = nullptr;
  HWND find = nullptr, replace = nullptr;
  FINDREPLACEW find_fr{}, replace_fr{};
  wchar_t find_what[kFindBuffer] = {}, replace_what[kFindBuffer] = {},
          replace_with[kFindBuffer] = {};
  std::wstring face;
};

std::vector<HWND>& OpenEditors() {
  static std::vector<HWND> editors;
  return editors;
}

UINT FindMessage() {
  static const UINT message = RegisterWindowMessageW(FINDMSGSTRINGW);
  return message;
}

Editor* EditorOf(HWND hwnd) {
  return reinterpret_cast<Editor*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The rich edit ends a paragraph with one "\r": one position per character.
std::wstring EditWide(HWND text) {
  GETTEXTLENGTHEX len{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const auto n = static_cast<size_t>(SendMessageW(text, EM_GETTEXTLENGTHEX, (WPARAM)&len, 0));
  std::wstring w(n + 1, L'\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>((n + 1) * sizeof(wchar_t));
  get.flags = GT_DEFAULT;
  get.codepage = 1200;
  const auto got = static_cast<size_t>(
      SendMessageW(text, EM_GETTEXTEX, (WPARAM)&get, reinterpret_cast<LPARAM>(w.data())));
  w.resize(std::min(got, n));
  std::replace(w.begin(), w.end(), L'\r', L'\n');
  return w;
}

std::wstring ToEdit(const std::string& utf8) {
  std::wstring w = platform::ToWide(utf8);
  std::replace(w.begin(), w.end(), L'\n', L'\r');
  return w;
}

// The core counts UTF-8 bytes, the control UTF-16 units.
size_t Utf8Offset(const std::wstring& w, size_t position) {
  return platform::FromWide(w.data(), std::min(position, w.size())).size();
}
size_t WidePosition(const std::string& utf8, size_t offset) {
  return platform::ToWide(utf8.substr(0, offset)).size();
}

void SetFont(Editor* e, int points) {
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_SIZE | CFM_FACE | CFM_CHARSET;
  cf.yHeight = points * 20;
  // The East European character set: the file's code page 1250.
  cf.bCharSet = EASTEUROPE_CHARSET;
  lstrcpynW(cf.szFaceName, e->face.c_str(), LF_FACESIZE);
  // A new size is no change of the text.
  const LRESULT modified = SendMessageW(e->text, EM_GETMODIFY, 0, 0);
  SendMessageW(e->text, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
  SendMessageW(e->text, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
  SendMessageW(e->text, EM_SETMODIFY, modified, 0);
}

void UpdateCaption(Editor* e) {
  SetWindowTextUtf8(e->hwnd, e->model.Caption());
}

void Layout(Editor* e) {
  RECT rc;
  GetClientRect(e->hwnd, &rc);
  const int panel = Scaled(41);
  MoveWindow(e->toolbar, Scaled(10), Scaled(5), Scaled(310), Scaled(31), TRUE);
  MoveWindow(e->size, Scaled(327), Scaled(9), Scaled(26), Scaled(23), TRUE);
  MoveWindow(e->updown, Scaled(353), Scaled(9), Scaled(17), Scaled(23), TRUE);
  MoveWindow(e->text, 0, panel, rc.right, std::max<int>(0, rc.bottom - panel), TRUE);
}

struct Tool {
  int command;
  int image;
  const char* hint;
};
constexpr Tool kToolButtons[] = {
    {kCmdSave, STD_FILESAVE, "Zachowaj"},  {kCmdCancel, STD_DELETE, "Anuluj"},
    {kCmdCut, STD_CUT, "Wytnij"},          {kCmdCopy, STD_COPY, "Kopiuj"},
    {kCmdPaste, STD_PASTE, "Wklej"},       {kCmdPrint, STD_PRINT, "Drukuj"},
    {kCmdFind, STD_FIND, "Szukaj tekstu"}, {kCmdReplace, STD_REPLACE, "Szukaj i zamień tekst"},
};

void BuildToolbar(Editor* e) {
  e->toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                   CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER,
                               0, 0, 0, 0, e->hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(e->toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(e->toolbar, TB_LOADIMAGES, IDB_STD_SMALL_COLOR,
               reinterpret_cast<LPARAM>(HINST_COMMCTRL));
  std::vector<TBBUTTON> buttons;
  for (const Tool& t : kToolButtons) {
    // Gaps between the buttons, as wide as the layout leaves them.
    if (!buttons.empty()) buttons.push_back({Scaled(8), 0, 0, BTNS_SEP, {}, 0, 0});
    buttons.push_back({t.image, t.command, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0});
  }
  SendMessageW(e->toolbar, TB_ADDBUTTONSW, buttons.size(),
               reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageW(e->toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(Scaled(31), Scaled(31)));
}

void LoadFile(Editor* e) {
  std::string bytes;
  const ui::LoadOutcome outcome =
      ReadEditorFile(platform::Env::Default(), e->model.file_name(), &bytes);
  const std::wstring w = ToEdit(e->model.Load(outcome, bytes));
  SETTEXTEX set{ST_DEFAULT, 1200};
  SendMessageW(e->text, EM_SETTEXTEX, (WPARAM)&set, reinterpret_cast<LPARAM>(w.c_str()));
  SendMessageW(e->text, EM_SETMODIFY, FALSE, 0);
  SendMessageW(e->text, EM_EMPTYUNDOBUFFER, 0, 0);
}

bool FormClose(Editor* e) {
  e->model.SetModified(SendMessageW(e->text, EM_GETMODIFY, 0, 0) != 0);
  const std::optional<std::string> question = e->model.CloseQuestion();
  if (question &&
      platform::ShowMessage(*question, ui::kConfirmTitle, platform::kMbYesNo) != platform::kIdYes)
    return false;
  RECT r;
  GetWindowRect(e->hwnd, &r);
  g_bounds = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  return true;
}

void Save(Editor* e) {
  if (e->model.NeedsFileName()) {
    platform::SaveDialogRequest request;
    request.filter = ui::kEditorSaveFilter;
    request.options = platform::kOfnOverwritePrompt | platform::kOfnHideReadOnly |
                      platform::kOfnPathMustExist | platform::kOfnEnableSizing;
    if (!platform::ExecuteFileDialog(request)) return;
    e->model.SetFileName(request.file_name);
    UpdateCaption(e);
  }
  const std::wstring w = EditWide(e->text);
  const ui::EditorModel::SavePlan plan = e->model.PlanSave(platform::FromWide(w));
  for (const std::string& question : plan.questions) {
    if (platform::ShowMessage(question, ui::kConfirmTitle,
                              platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
      return;
  }
  if (!WriteEditorFile(platform::Env::Default(), e->model.file_name(), plan.bytes)) {
    // The window stays open with the text still marked as changed.
    platform::ShowMessage(ui::SaveFailed(e->model.file_name()), kErrorTitle,
                          platform::kMbOk | platform::kMbIconError);
    return;
  }
  e->model.Saved();
  SendMessageW(e->text, EM_SETMODIFY, FALSE, 0);
  SendMessageW(e->hwnd, WM_CLOSE, 0, 0);
}

void Print(Editor* e) {
  PRINTDLGW pd{};
  pd.lStructSize = sizeof(pd);
  pd.hwndOwner = e->hwnd;
  pd.Flags = PD_RETURNDC | PD_RETURNDEFAULT;
  if (!PrintDlgW(&pd) || !pd.hDC) {
    platform::ShowMessage(ui::kNoPrinter, kErrorTitle, platform::kMbOk | platform::kMbIconError);
    return;
  }
  if (pd.hDevMode) GlobalFree(pd.hDevMode);
  if (pd.hDevNames) GlobalFree(pd.hDevNames);
  HDC dc = pd.hDC;
  const std::wstring title = platform::ToWide(ui::PrintTitle(e->model.file_name()));
  DOCINFOW doc{};
  doc.cbSize = sizeof(doc);
  doc.lpszDocName = title.c_str();
  if (StartDocW(dc, &doc) > 0) {
    // The page in twips, with a margin of half an inch around the text.
    const int width = MulDiv(GetDeviceCaps(dc, PHYSICALWIDTH), 1440, GetDeviceCaps(dc, LOGPIXELSX));
    const int height =
        MulDiv(GetDeviceCaps(dc, PHYSICALHEIGHT), 1440, GetDeviceCaps(dc, LOGPIXELSY));
    const int off_x =
        MulDiv(GetDeviceCaps(dc, PHYSICALOFFSETX), 1440, GetDeviceCaps(dc, LOGPIXELSX));
    const int off_y =
        MulDiv(GetDeviceCaps(dc, PHYSICALOFFSETY), 1440, GetDeviceCaps(dc, LOGPIXELSY));
    FORMATRANGE range{};
    range.hdc = range.hdcTarget = dc;
    range.rcPage = {0, 0, width, height};
    range.rc = {720 - off_x, 720 - off_y, width - 720 - off_x, height - 720 - off_y};
    GETTEXTLENGTHEX len{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LONG total =
        static_cast<LONG>(SendMessageW(e->text, EM_GETTEXTLENGTHEX, (WPARAM)&len, 0));
    range.chrg = {0, -1};
    bool ok = true;
    do {
      if (StartPage(dc) <= 0) {
        ok = false;
        break;
      }
      const LONG next =
          static_cast<LONG>(SendMessageW(e->text, EM_FORMATRANGE, TRUE, (LPARAM)&range));
      ok = EndPage(dc) > 0;
      // A page that took nothing would repeat for ever.
      if (next <= range.chrg.cpMin) break;
      range.chrg.cpMin = next;
    } while (ok && range.chrg.cpMin < total);
    SendMessageW(e->text, EM_FORMATRANGE, FALSE, 0);
    if (ok) ok = EndDoc(dc) > 0;
    if (!ok) AbortDoc(dc);
    if (!ok) {
      platform::ShowMessage(ui::kPrintFailed, kErrorTitle,
                            platform::kMbOk | platform::kMbIconError);
    }
  } else {
    platform::ShowMessage(ui::kPrintFailed, kErrorTitle, platform::kMbOk | platform::kMbIconError);
  }
  DeleteDC(dc);
}

void ShowSearchDialog(Editor* e, bool replace) {
  HWND& dialog = replace ? e->replace : e->find;
  if (!dialog) {
    FINDREPLACEW& fr = replace ? e->replace_fr : e->find_fr;
    fr = {};
    fr.lStructSize = sizeof(fr);
    fr.hwndOwner = e->hwnd;
    // Forward only: the direction choice is hidden.
    fr.Flags = FR_DOWN | FR_HIDEUPDOWN;
    fr.lpstrFindWhat = replace ? e->replace_what : e->find_what;
    fr.wFindWhatLen = kFindBuffer;
    if (replace) {
      fr.lpstrReplaceWith = e->replace_with;
      fr.wReplaceWithLen = kFindBuffer;
    }
    dialog = replace ? ReplaceTextW(&fr) : FindTextW(&fr);
    if (!dialog) return;
  }
  // The editing area's right edge and top, taken as screen coordinates.
  RECT r;
  GetWindowRect(e->text, &r);
  MapWindowPoints(HWND_DESKTOP, e->hwnd, reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(dialog, nullptr, r.right, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(dialog, SW_SHOW);
  SetFocus(dialog);
}

ui::SearchOptions OptionsOf(const FINDREPLACEW& fr) {
  return {(fr.Flags & FR_MATCHCASE) != 0, (fr.Flags & FR_WHOLEWORD) != 0};
}

// One search step: selects the next match after the selection, or from the
// start of the text when nothing is selected.
bool SearchStep(Editor* e, const FINDREPLACEW& fr) {
  const std::wstring w = EditWide(e->text);
  const std::string utf8 = platform::FromWide(w);
  CHARRANGE sel{};
  SendMessageW(e->text, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
  const size_t start = sel.cpMax > sel.cpMin ? static_cast<size_t>(sel.cpMax) : 0;
  const std::string what = platform::FromWide(fr.lpstrFindWhat);
  const size_t p = ui::FindForward(utf8, Utf8Offset(w, start), what, OptionsOf(fr));
  if (p == ui::kNotFound) return false;
  SetFocus(e->text);
  const auto at = static_cast<LONG>(WidePosition(utf8, p));
  // A match is as many characters long as what was looked for.
  CHARRANGE match{at, at + static_cast<LONG>(wcslen(fr.lpstrFindWhat))};
  SendMessageW(e->text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&match));
  return true;
}

void ReplaceSelection(Editor* e, const std::string& with) {
  const std::wstring w = ToEdit(with);
  SendMessageW(e->text, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w.c_str()));
}

void Replace(Editor* e, const FINDREPLACEW& fr, bool all) {
  const std::string with = platform::FromWide(fr.lpstrReplaceWith ? fr.lpstrReplaceWith : L"");
  const std::string what = platform::FromWide(fr.lpstrFindWhat);
  bool replaced = false;
  if (!all) {
    if (SearchStep(e, fr)) {
      ReplaceSelection(e, with);
      replaced = true;
    }
  } else {
    // Each search goes on after the text just put in, so a replacement that
    // contains the find text cannot make the run endless.
    const std::wstring w = EditWide(e->text);
    const std::string utf8 = platform::FromWide(w);
    CHARRANGE sel{};
    SendMessageW(e->text, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    const size_t start = sel.cpMax > sel.cpMin ? static_cast<size_t>(sel.cpMax) : 0;
    const ui::ReplaceResult r =
        ui::ReplaceAll(utf8, Utf8Offset(w, start), what, with, OptionsOf(fr));
    if (r.count > 0) {
      SetFocus(e->text);
      CHARRANGE range{static_cast<LONG>(WidePosition(utf8, r.from)),
                      static_cast<LONG>(WidePosition(utf8, r.to))};
      SendMessageW(e->text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
      ReplaceSelection(e, r.replacement);
      replaced = true;
    }
  }
  if (!replaced)
    platform::ShowMessage(ui::EditorModel::NotFound(what), "",
                          platform::kMbOk | platform::kMbIconInformation);
}

void OnFindMessage(Editor* e, FINDREPLACEW* fr) {
  if (fr->Flags & FR_DIALOGTERM) {
    if (fr == &e->find_fr) e->find = nullptr;
    if (fr == &e->replace_fr) e->replace = nullptr;
    return;
  }
  if (fr->Flags & FR_FINDNEXT) SearchStep(e, *fr);
  if (fr->Flags & FR_REPLACE) Replace(e, *fr, false);
  if (fr->Flags & FR_REPLACEALL) Replace(e, *fr, true);
}

void OnCommand(Editor* e, int id) {
  switch (id) {
    case kCmdSave:
      Save(e);
      break;
    case kCmdCancel:
      SendMessageW(e->hwnd, WM_CLOSE, 0, 0);
      break;
    case kCmdCut:
      SendMessageW(e->text, WM_CUT, 0, 0);
      break;
    case kCmdCopy:
      SendMessageW(e->text, WM_COPY, 0, 0);
      break;
    case kCmdPaste:
      // Plain text only, whatever else the clipboard offers.
      SendMessageW(e->text, EM_PASTESPECIAL, CF_UNICODETEXT, 0);
      break;
    case kCmdPrint:
      Print(e);
      break;
    case kCmdFind:
      ShowSearchDialog(e, false);
      break;
    case kCmdReplace:
      ShowSearchDialog(e, true);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Editor* e = EditorOf(hwnd);
  if (msg == WM_NCCREATE) {
    e = static_cast<Editor*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    e->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
  }
  if (!e) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == FindMessage()) {
    Guarded([&] { OnFindMessage(e, reinterpret_cast<FINDREPLACEW*>(lp)); });
    return 0;
  }
  switch (msg) {
    case WM_SIZE:
      Layout(e);
      return 0;
    case WM_SETFOCUS:
      SetFocus(e->text);
      return 0;
    case WM_COMMAND:
      if (lp == 0 || reinterpret_cast<HWND>(lp) == e->toolbar) {
        Guarded([&] { OnCommand(e, LOWORD(wp)); });
        return 0;
      }
      break;
    case WM_VSCROLL:
      if (reinterpret_cast<HWND>(lp) == e->updown) {
        SetFont(e, static_cast<int>(SendMessageW(e->updown, UDM_GETPOS32, 0, 0)));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
        static std::wstring hint;
        for (const Tool& t : kToolButtons)
          if (static_cast<UINT_PTR>(t.command) == hdr->idFrom) hint = platform::ToWide(t.hint);
        info->lpszText = hint.data();
        return 0;
      }
      break;
    }
    case WM_CLOSE:
      Guarded([&] {
        if (FormClose(e)) DestroyWindow(hwnd);
      });
      return 0;
    case WM_NCDESTROY: {
      auto& open = OpenEditors();
      open.erase(std::remove(open.begin(), open.end(), hwnd), open.end());
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      delete e;
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

HWND OpenTextEditorWindow(HWND owner, const std::string& path, bool fixed_font) {
  static const bool loaded = [] {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    return LoadLibraryExW(L"Msftedit.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) != nullptr;
  }();
  (void)loaded;
  const wchar_t* cls = RegisterWindowClass(L"PodzialTextEditor", EditorProc);
  auto editor = std::make_unique<Editor>(path);
  Editor* e = editor.get();
  HWND hwnd =
      CreateWindowExW(0, cls, L"", WS_OVERLAPPEDWINDOW, g_bounds.left, g_bounds.top, g_bounds.width,
                      g_bounds.height, owner, nullptr, GetModuleHandleW(nullptr), editor.release());
  if (!hwnd) return nullptr;
  BuildToolbar(e);
  e->size = MakeChild(hwnd, L"EDIT", "", ES_READONLY | ES_RIGHT, kEditorSize, WS_EX_CLIENTEDGE);
  e->updown = MakeChild(hwnd, UPDOWN_CLASSW, "", UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                        kEditorUpDown);
  SendMessageW(e->updown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(e->size), 0);
  SendMessageW(e->updown, UDM_SETRANGE32, kFontMin, kFontMax);
  UDACCEL accel{0, kFontStep};
  SendMessageW(e->updown, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  SendMessageW(e->updown, UDM_SETPOS32, 0, kFontStart);
  e->text = MakeChild(hwnd, MSFTEDIT_CLASS, "",
                      WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                          ES_WANTRETURN | ES_NOHIDESEL | ES_DISABLENOSCROLL | WS_TABSTOP,
                      kEditorText, WS_EX_CLIENTEDGE);
  SendMessageW(e->text, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
  SendMessageW(e->text, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  if (fixed_font) {
    e->face = L"Courier New";
  } else {
    LOGFONTW lf{};
    GetObjectW(MessageFont(), sizeof(lf), &lf);
    e->face = lf.lfFaceName;
  }
  SetFont(e, kFontStart);
  UpdateCaption(e);
  if (!e->model.file_name().empty()) LoadFile(e);
  Layout(e);
  OpenEditors().push_back(hwnd);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  SetFocus(e->text);
  return hwnd;
}

void OpenTextEditor(HWND owner, const std::string& path, bool fixed_font) {
  Guarded([&] { OpenTextEditorWindow(owner, path, fixed_font); });
}

bool CloseTextEditors(HWND owner) {
  const std::vector<HWND> editors = OpenEditors();
  for (HWND h : editors) {
    if (GetWindow(h, GW_OWNER) != owner) continue;
    SendMessageW(h, WM_CLOSE, 0, 0);
    if (IsWindow(h)) return false;
  }
  return true;
}

bool IsEditorDialogMessage(MSG* msg) {
  for (HWND h : OpenEditors()) {
    Editor* e = EditorOf(h);
    if (!e) continue;
    for (HWND d : {e->find, e->replace})
      if (d && IsDialogMessageW(d, msg)) return true;
  }
  return false;
}

HWND EditorFindDialog(HWND editor) {
  Editor* e = EditorOf(editor);
  return e ? e->find : nullptr;
}

HWND EditorReplaceDialog(HWND editor) {
  Editor* e = EditorOf(editor);
  return e ? e->replace : nullptr;
}

int EditorFontSize(HWND editor) {
  Editor* e = EditorOf(editor);
  if (!e) return 0;
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  SendMessageW(e->text, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
  return static_cast<int>(cf.yHeight / 20);
}

}  // namespace win
