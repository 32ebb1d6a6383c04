#include "tests/win/editor/Screenshot.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/Win32Text.h"

namespace win_test {

bool Screenshot(HWND hwnd, const std::string& name) {
  // The window and its children painted first: wine's PrintWindow draws
  // the window alone, so what is on the screen is copied.
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  for (DWORD until = GetTickCount() + 300; GetTickCount() < until;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
  // The client area: without a window manager (Xvfb) nobody draws frames.
  RECT r;
  if (!GetClientRect(hwnd, &r)) return false;
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  HDC window = GetDC(hwnd);
  const bool drawn = BitBlt(dc, 0, 0, w, h, window, 0, 0, SRCCOPY) != 0;
  ReleaseDC(hwnd, window);
  GdiFlush();
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  const size_t size = stride * static_cast<size_t>(h);
  const std::string dir = std::string(PODZIAL_BINARY_DIR) + "/screenshots";
  std::filesystem::create_directories(dir);
  std::ofstream out(dir + "/" + name + ".bmp", std::ios::binary);
  BITMAPFILEHEADER file{
      0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
      sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(size));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return drawn && out.good();
}

std::string ControlText(HWND control) {
  const int n = GetWindowTextLengthW(control);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  w.resize(static_cast<size_t>(GetWindowTextW(control, w.data(), n + 1)));
  std::wstring out;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == L'\r') {
      out += L'\n';
      if (i + 1 < w.size() && w[i + 1] == L'\n') ++i;
    } else {
      out += w[i];
    }
  }
  return platform::FromWide(out);
}

}  // namespace win_test
