// Main window services: the shared ones over the engine, with the Qt
// lock-wait window and the program's own text editor.
#include "app/EngineServices.h"

#include <QCoreApplication>
#include <memory>

#include "controls/Jxedit.h"
#include "controls/Progress.h"
#include "ui/EngineServices.h"

namespace app {

using namespace controls;

namespace {

// While the probe waits for the lock, a progress window says so in its
// caption.
class LockWaitWindow : public platform::LockWaitListener {
 public:
  void Waiting(const std::string&) override {
    wnd_ = std::make_unique<TProgressWnd>(nullptr, platform::kMsgLockWaiting, 0);
    wnd_->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  void WaitEnded() override { wnd_.reset(); }

 private:
  std::unique_ptr<TProgressWnd> wnd_;
};

}  // namespace

MainFormServices EngineServices(platform::Env* env, WindowedProgress* progress) {
  ui::ToolkitParts parts;
  parts.lock_wait_window = [] { return std::make_unique<LockWaitWindow>(); };
  // The list of rows opens in the program's own text editor, beside the
  // main window and closing with itself.
  parts.open_text = [](const std::string& path) {
    auto* editor = new TjxeditForm(QString::fromStdString(path), true, 0);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->show();
  };
  return ui::EngineServices(env, progress, std::move(parts));
}

}  // namespace app
