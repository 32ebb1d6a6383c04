// The division request's progress in one TProgressWnd. The run goes on
// inside the start button's handler; each drawing lets Qt handle what waits
// (at most every 100 ms), input included, so that "Anuluj" works. The
// window is application-modal meanwhile: nothing else takes input, and no
// second run can be started.
#pragma once

#include <functional>
#include <memory>

#include "ui/RequestProgress.h"

namespace controls {
class TProgressWnd;
}  // namespace controls

namespace app {

using controls::TProgressWnd;

class WindowedProgress : public ui::RequestProgress {
 public:
  WindowedProgress();
  ~WindowedProgress() override;

  // Called with the window once it is shown (screenshots, tests).
  std::function<void(TProgressWnd*)> on_shown;
  // Called with the window after each drawing (tests).
  std::function<void(TProgressWnd*)> on_drawn;

 private:
  class View : public ui::ProgressView {
   public:
    explicit View(WindowedProgress* owner);
    ~View() override;
    void Draw(const ui::ProgressState& state) override;
    void Hide() override;

   private:
    void HandleEvents();
    WindowedProgress* owner_;
    std::unique_ptr<TProgressWnd> wnd_;
    bool handling_ = false;
  };
  View view_;
};

}  // namespace app
