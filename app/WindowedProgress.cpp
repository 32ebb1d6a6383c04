// The request's progress window.
#include "app/WindowedProgress.h"

#include <QCoreApplication>

#include "controls/Progress.h"

namespace app {

using namespace controls;

WindowedProgress::WindowedProgress() : ui::RequestProgress(&view_), view_(this) {}

WindowedProgress::~WindowedProgress() = default;

WindowedProgress::View::View(WindowedProgress* owner) : owner_(owner) {}

WindowedProgress::View::~View() = default;

void WindowedProgress::View::Draw(const ui::ProgressState& state) {
  const bool showing = !wnd_;
  if (showing) {
    wnd_ = std::make_unique<TProgressWnd>(nullptr, "", 0);
    wnd_->setWindowModality(Qt::ApplicationModal);
    QObject::connect(wnd_.get(), &TProgressWnd::cancelRequested, [this] { owner_->Cancel(); });
  }
  wnd_->Draw(state);
  if (showing) wnd_->show();
  HandleEvents();
  if (showing && owner_->on_shown) owner_->on_shown(wnd_.get());
  if (owner_->on_drawn) owner_->on_drawn(wnd_.get());
}

void WindowedProgress::View::Hide() {
  if (!wnd_) return;
  // The main window under it is drawn again before anything else (the
  // completion box) comes up, so no piece of the window stays on it.
  wnd_->hide();
  wnd_.reset();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WindowedProgress::View::HandleEvents() {
  // "Anuluj" drawn again from inside its own click waits for the next turn.
  if (handling_) return;
  handling_ = true;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  handling_ = false;
}

}  // namespace app
