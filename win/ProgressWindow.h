// The progress window of a division request on Windows (one window for
// the whole request: job line, phase line, bar, "Anuluj") and the window
// the size probe shows while it waits for a locked file. The run goes on
// inside the start button's handler; each drawing handles the messages
// that wait, so "Anuluj", Esc and the close box work. The main window is
// disabled meanwhile: no second run can start.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/LockWait.h"
#include "ui/RequestProgress.h"

namespace win {

// Control ids inside the progress window.
inline constexpr int kIdJobLine = 201;
inline constexpr int kIdPhaseLine = 202;
inline constexpr int kIdBar = 203;

class ProgressWindow : public ui::RequestProgress {
 public:
  ProgressWindow();
  ~ProgressWindow() override;

  // The window disabled while a request runs (the main window).
  void SetOwner(HWND owner) { view_.owner = owner; }

  // Called with the window once it is shown, and after each drawing
  // (screenshots, tests).
  std::function<void(HWND)> on_shown;
  std::function<void(HWND)> on_drawn;

  // The window procedure of both progress windows.
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  struct View : ui::ProgressView {
    explicit View(ProgressWindow* o) : progress(o) {}
    void Draw(const ui::ProgressState& state) override;
    void Hide() override;
    void HandleMessages();

    ProgressWindow* progress;
    HWND owner = nullptr;
    HWND window = nullptr;
    HFONT font = nullptr;
    bool cancellable = false;
    bool handling = false;
  };
  View view_;
};

// The lock wait of the size probe: a window with the waiting caption and
// an empty bar while the wait lasts.
class LockWaitWindow : public platform::LockWaitListener {
 public:
  ~LockWaitWindow() override { WaitEnded(); }
  void Waiting(const std::string& path) override;
  void WaitEnded() override;
  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace win
