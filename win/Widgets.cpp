// The building blocks of the Win32 windows.
#include "win/Widgets.h"

#include <commctrl.h>

#include <stdexcept>
#include <vector>

#include "platform/MessageBox.h"
#include "ui/PickerRule.h"

namespace win {

namespace {

int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasFont(const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, FontFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

SIZE TextExtent(HFONT font, const std::wstring& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size;
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::string Text(HWND control) {
  std::wstring w(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  w.resize(static_cast<size_t>(GetWindowTextW(control, w.data(), static_cast<int>(w.size()))));
  return Utf8(w);
}

void SetText(HWND control, const std::string& utf8) {
  SetWindowTextW(control, Wide(utf8).c_str());
}

int WindowDpi(HWND window) {
  // Windows 10 knows each window's monitor; older ones only the system's.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto for_window = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32"), "GetDpiForWindow")));
  if (window && for_window) {
    if (const UINT dpi = for_window(window)) return static_cast<int>(dpi);
  }
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

HFONT DialogFont(int dpi, int height) {
  LOGFONTW lf{};
  if (HasFont(L"MS Sans Serif")) {
    wcscpy(lf.lfFaceName, L"MS Sans Serif");
    lf.lfCharSet = DEFAULT_CHARSET;
  } else {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    lf = metrics.lfMessageFont;
  }
  lf.lfHeight = -Du(height, dpi);
  lf.lfWidth = 0;
  lf.lfWeight = FW_NORMAL;
  lf.lfQuality = DEFAULT_QUALITY;
  return CreateFontIndirectW(&lf);
}

HWND MakeControl(HWND parent, const wchar_t* window_class, const std::string& text, DWORD style,
                 int id, int left, int top, int width, int height, int dpi, HFONT font,
                 DWORD ex_style) {
  HWND w = CreateWindowExW(ex_style, window_class, Wide(text).c_str(), WS_CHILD | style,
                           Du(left, dpi), Du(top, dpi), Du(width, dpi), Du(height, dpi), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  if (!w) throw std::runtime_error("Nie można utworzyć okna.");
  SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return w;
}

std::vector<HFONT> OwnedFonts(HWND window) {
  std::vector<HFONT> fonts;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM lp) -> BOOL {
        if (HANDLE font = RemovePropW(child, kOwnedFontProp))
          reinterpret_cast<std::vector<HFONT>*>(lp)->push_back(static_cast<HFONT>(font));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&fonts));
  return fonts;
}

HWND MakeLabel(HWND parent, const std::string& text, int left, int top, int dpi, HFONT font,
               int right_limit) {
  const std::wstring w = Wide(text);
  SIZE size = TextExtent(font, w);
  HFONT use = font;
  const int room = right_limit > 0 ? Du(right_limit - left, dpi) : 0;
  if (room > 0 && size.cx > room) {
    // A narrower face of the same font; kept for the program's life with
    // the window that shows it.
    LOGFONTW lf{};
    GetObjectW(font, sizeof(lf), &lf);
    TEXTMETRICW tm{};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    for (int width = MulDiv(tm.tmAveCharWidth, room, size.cx); width > 0 && size.cx > room;
         --width) {
      if (use != font) DeleteObject(use);
      lf.lfWidth = width;
      use = CreateFontIndirectW(&lf);
      size = TextExtent(use, w);
    }
  }
  HWND label = CreateWindowExW(0, L"STATIC", w.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP,
                               Du(left, dpi), Du(top, dpi), size.cx, size.cy, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (!label) throw std::runtime_error("Nie można utworzyć okna.");
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(use), FALSE);
  // The narrower face is the label's own; its window deletes it (OwnedFonts).
  if (use != font) SetPropW(label, kOwnedFontProp, use);
  return label;
}

void IntEdit::Create(HWND parent, int edit_id, int left, int top, int width, int height, int dpi,
                     HFONT font) {
  edit_ = MakeControl(parent, L"EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, edit_id, left,
                      top, width, height, dpi, font, WS_EX_CLIENTEDGE);
  rule_.set_last_text("");
  // The box is narrow: its digits get the room the edit's margins would take.
  SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
  // The arrows take the right end of the box's place and write their
  // number into the edit, which the rule then checks like any typed text.
  up_down_ =
      CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                      WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
                      0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(up_down_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_), 0);
  SendMessageW(up_down_, UDM_SETRANGE32, static_cast<WPARAM>(rule_.min),
               static_cast<LPARAM>(rule_.max));
  // Narrow arrows: the layout's box is only wide enough for four digits.
  const int all = Du(width, dpi), arrows = Du(12, dpi);
  MoveWindow(edit_, Du(left, dpi), Du(top, dpi), all - arrows, Du(height, dpi), FALSE);
  MoveWindow(up_down_, Du(left, dpi) + all - arrows, Du(top, dpi), arrows, Du(height, dpi), FALSE);
}

void IntEdit::SetMax(int32_t max) {
  rule_.max = max;
  SendMessageW(up_down_, UDM_SETRANGE32, static_cast<WPARAM>(rule_.min), static_cast<LPARAM>(max));
}

void IntEdit::SetValue(int32_t value) {
  SetText(edit_, std::to_string(value));
}

int32_t IntEdit::Value() const {
  const std::string text = Text(edit_);
  const std::optional<int32_t> v = rule_.Value(text);
  if (!v) throw std::runtime_error(ui::NotANumberMessage(text));
  return *v;
}

void IntEdit::Changed() {
  if (putting_back_) {
    // The text put back is the last accepted one; the rule takes it again.
    (void)rule_.Check(Text(edit_));
    return;
  }
  const ui::IntVerdict verdict = rule_.Check(Text(edit_));
  if (verdict.accepted) return;
  platform::ShowMessage(verdict.message, "", platform::kMbIconError);
  putting_back_ = true;
  SetText(edit_, verdict.restore);
  putting_back_ = false;
  const LRESULT end = GetWindowTextLengthW(edit_);
  SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void PathPicker::Create(HWND parent, int button_id, HWND edit, int left, int top, int width,
                        int height, int dpi, HFONT font, bool select_directory) {
  edit_ = edit;
  select_directory_ = select_directory;
  const ui::PickerButtons b = ui::ArrangePicker(width, height, /*no_edit=*/true);
  button_ = MakeControl(parent, L"BUTTON", "Zmień", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                        button_id, left + b.change.left, top + b.change.top, b.change.width,
                        b.change.height, dpi, font);
}

bool PathPicker::Clicked() {
  const ui::PickerAsk ask = ui::AskFor(Text(edit_), select_directory_);
  dialog_.pick_folder = ask.pick_folder;
  dialog_.file_name = ask.file_name;
  if (!ask.initial_dir.empty()) dialog_.initial_dir = ask.initial_dir;
  platform::OpenDialogRequest request = dialog_;
  if (!platform::ExecuteFileDialog(request)) return false;
  const ui::PickerChoice choice = ui::Chosen(request.file_name, select_directory_);
  SetText(edit_, choice.edit_text);
  dialog_.initial_dir = choice.next_initial_dir;
  return true;
}

}  // namespace win
