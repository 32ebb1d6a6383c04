// The progress windows over their core (ui/RequestProgress).
#include "win/ProgressWindow.h"

#include <commctrl.h>

#include "win/Widgets.h"

namespace win {

namespace {

constexpr wchar_t kClass[] = L"PodzialProgress";
// Room the caption leaves for the system's buttons, in design units.
constexpr int kTitleMargin = 60;

void Register() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ProgressWindow::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  RegisterClassExW(&wc);
  done = true;
}

// A fixed window of the given client size in design units, centred on the
// screen and kept above the others.
HWND MakeWindow(HWND owner, const std::string& caption, int width, int height, int dpi,
                void* self) {
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT r{0, 0, Du(width, dpi), Du(height, dpi)};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int w = r.right - r.left, h = r.bottom - r.top;
  return CreateWindowExW(ex, kClass, Wide(caption).c_str(), style,
                         work.left + (work.right - work.left - w) / 2,
                         work.top + (work.bottom - work.top - h) / 2, w, h, owner, nullptr,
                         GetModuleHandleW(nullptr), self);
}

int TextWidth(HWND window, HFONT font, const std::string& text) {
  const std::wstring w = Wide(text);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

}  // namespace

ProgressWindow::ProgressWindow() : ui::RequestProgress(&view_), view_(this) {
  Register();
}

ProgressWindow::~ProgressWindow() {
  view_.Hide();
}

LRESULT CALLBACK ProgressWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    SetWindowLongPtrW(
        hwnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  }
  auto* view = reinterpret_cast<View*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) != IDCANCEL) break;
      [[fallthrough]];
    case WM_CLOSE:
      // The window stays until the run is over; closing it asks the run to
      // stop. The lock wait's window has no view and cannot be closed.
      if (view && view->cancellable) view->progress->Cancel();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void ProgressWindow::View::Draw(const ui::ProgressState& state) {
  const bool showing = !window;
  if (showing) {
    const int dpi = WindowDpi(owner);
    window = MakeWindow(owner, "", 426, 128, dpi, this);
    font = DialogFont(dpi);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    MakeControl(window, L"STATIC", "", WS_VISIBLE | SS_LEFTNOWORDWRAP, kIdJobLine, 10, 8, 406, 17,
                dpi, font);
    MakeControl(window, L"STATIC", "", WS_VISIBLE | SS_LEFTNOWORDWRAP, kIdPhaseLine, 10, 28, 406,
                17, dpi, font);
    MakeControl(window, PROGRESS_CLASSW, "", WS_VISIBLE, kIdBar, 10, 50, 406, 26, dpi, font);
    MakeControl(window, L"BUTTON", "Anuluj", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL,
                170, 87, 86, 31, dpi, font);
    if (owner) EnableWindow(owner, FALSE);
  }
  RECT client{};
  GetClientRect(window, &client);
  const auto width = [this](const std::string& s) { return TextWidth(window, font, s); };
  SetText(window,
          ui::FitPathStart(state.title, client.right - Du(kTitleMargin, WindowDpi(window)), width));
  HWND job = GetDlgItem(window, kIdJobLine);
  RECT job_rect{};
  GetClientRect(job, &job_rect);
  SetText(job, ui::FitPathStart(state.job_line, job_rect.right, width));
  SetText(GetDlgItem(window, kIdPhaseLine), state.phase_line);
  HWND bar = GetDlgItem(window, kIdBar);
  SendMessageW(bar, PBM_SETRANGE32, 0, state.bar_max);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(state.bar_position), 0);
  cancellable = state.cancel_enabled;
  EnableWindow(GetDlgItem(window, IDCANCEL), state.cancel_enabled);
  if (showing) {
    ShowWindow(window, SW_SHOWNORMAL);
    SetFocus(GetDlgItem(window, IDCANCEL));
  }
  UpdateWindow(window);
  HandleMessages();
  if (showing && progress->on_shown) progress->on_shown(window);
  if (progress->on_drawn) progress->on_drawn(window);
}

void ProgressWindow::View::Hide() {
  if (!window) return;
  // The owner comes back before the window goes, so the focus returns to it
  // and no other program's window comes up in between.
  if (owner) EnableWindow(owner, TRUE);
  DestroyWindow(window);
  window = nullptr;
  DeleteObject(font);
  font = nullptr;
  if (owner) UpdateWindow(owner);
}

void ProgressWindow::View::HandleMessages() {
  // "Anuluj" drawn again from inside its own click waits for the next turn.
  if (handling) return;
  handling = true;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Left for the program's own loop once the run is over.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (window && IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  handling = false;
}

void LockWaitWindow::Waiting(const std::string&) {
  if (window_) return;
  Register();
  HWND owner = GetActiveWindow();
  const int dpi = WindowDpi(owner);
  window_ = MakeWindow(owner, platform::kMsgLockWaiting, 426, 65, dpi, nullptr);
  font_ = DialogFont(dpi);
  MakeControl(window_, PROGRESS_CLASSW, "", WS_VISIBLE, kIdBar, 10, 15, 406, 26, dpi, font_);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  UpdateWindow(window_);
}

void LockWaitWindow::WaitEnded() {
  if (!window_) return;
  DestroyWindow(window_);
  window_ = nullptr;
  DeleteObject(font_);
  font_ = nullptr;
}

}  // namespace win
