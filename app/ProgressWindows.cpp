// Progress windows for the division run.
#include "app/ProgressWindows.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "controls/Progress.h"

namespace app {

using namespace controls;

namespace {

constexpr qint64 kRepaintIntervalMs = 100;

class Window : public engine::ProgressWindow {
 public:
  Window(const std::string& caption, int32_t maximum, ProgressWindowFactory* owner)
      : wnd_(nullptr, caption, maximum), owner_(owner) {}

  ~Window() override {
    // The main window under it is drawn again before anything else (the
    // completion box) comes up, so no piece of the bar stays on it.
    wnd_.hide();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

  void Show() override {
    wnd_.show();
    Repaint();
    if (owner_->on_shown) owner_->on_shown(&wnd_);
  }

  void SetPosition(int32_t position) override {
    wnd_.Bar()->SetPosition(position);
    if (since_repaint_.hasExpired(kRepaintIntervalMs)) Repaint();
  }

  // The bar is full; the window stays up and says what happens now.
  void SetPhase(const std::string& text) override {
    wnd_.Bar()->SetPosition(wnd_.Bar()->Max());
    wnd_.SetPhase(QString::fromStdString(text));
    Repaint();
  }

 private:
  void Repaint() {
    // Paint and layout only: clicks and keys wait until the run is over,
    // so nothing else can be started meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    since_repaint_.start();
  }

  TProgressWnd wnd_;
  ProgressWindowFactory* owner_;
  QElapsedTimer since_repaint_;
};

}  // namespace

std::unique_ptr<engine::ProgressWindow> ProgressWindowFactory::Create(const std::string& caption,
                                                                      int32_t maximum) {
  return std::make_unique<Window>(caption, maximum, this);
}

}  // namespace app
