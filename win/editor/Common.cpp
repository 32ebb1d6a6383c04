#include "win/editor/Common.h"

#include <exception>
#include <string>

#include "platform/MessageBox.h"
#include "platform/MulDiv.h"
#include "platform/Win32Text.h"

namespace win {

int Scaled(int units) {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int d = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return d > 0 ? d : 96;
  }();
  return platform::MulDiv(units, dpi, 120);
}

HFONT MessageFont() {
  static const HFONT font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
      return CreateFontIndirectW(&metrics.lfMessageFont);
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }();
  return font;
}

void SetFontOfChildren(HWND parent, HFONT font) {
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM f) -> BOOL {
        SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(f), TRUE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(font));
}

std::string WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, w.data(), n + 1);
  return platform::FromWide(w.data(), static_cast<size_t>(got));
}

void SetWindowTextUtf8(HWND hwnd, const std::string& text) {
  SetWindowTextW(hwnd, platform::ToWide(text).c_str());
}

HWND MakeChild(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int id,
               DWORD ex_style) {
  HWND h =
      CreateWindowExW(ex_style, cls, platform::ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                      0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      GetModuleHandleW(nullptr), nullptr);
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);
  return h;
}

void Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    platform::ShowMessage(e.what(), kErrorTitle, platform::kMbOk | platform::kMbIconError);
  } catch (...) {
    // Nothing may unwind through a window procedure.
    platform::ShowMessage(kUnknownError, kErrorTitle, platform::kMbOk | platform::kMbIconError);
  }
}

bool CopyToClipboard(HWND owner, const std::string& text) {
  std::wstring w = platform::ToWide(text);
  // The clipboard's text format wants CR LF between lines.
  std::wstring crlf;
  for (wchar_t c : w) {
    if (c == L'\n') crlf += L'\r';
    crlf += c;
  }
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const size_t bytes = (crlf.size() + 1) * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool ok = false;
  if (mem) {
    memcpy(GlobalLock(mem), crlf.c_str(), bytes);
    GlobalUnlock(mem);
    ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    if (!ok) GlobalFree(mem);
  }
  CloseClipboard();
  return ok;
}

const wchar_t* RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return name;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
  return name;
}

}  // namespace win
