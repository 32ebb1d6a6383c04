// Main window services over the engine and the table engine.
#include "app/EngineServices.h"

#include <QCoreApplication>
#include <memory>

#include "controls/Errors.h"
#include "controls/Jxedit.h"
#include "controls/Progress.h"
#include "dbase/Table.h"
#include "engine/Divider.h"
#include "platform/LockWait.h"

namespace app {

using namespace controls;

namespace {

// How long the size probe waits for a description file another program
// holds locked, as the command line's tools do by default.
constexpr int64_t kProbeLockTimeoutMs = 300 * 1000;

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
  MainFormServices s;
  s.max_size = [env](const std::string& data_file) {
    LockWaitWindow window;
    platform::LockWaitEnv waiting(env, kProbeLockTimeoutMs, &window);
    engine::TDividerInfo info;
    info.DataFile = data_file;
    engine::TDivider divider(info, &waiting);
    const int32_t mb = divider.GetMaxSize();
    if (waiting.TimedOut()) {
      throw Exception("Plik opisów " + data_file +
                      " jest nadal zablokowany przez inny program; nie odczytano jego "
                      "maksymalnego rozmiaru.");
    }
    return mb;
  };
  s.data_bytes = [env](const std::string& data_file) {
    std::unique_ptr<platform::File> f;
    uint64_t size = 0;
    if (env->OpenFile(data_file, platform::OpenMode::kReadOnlyShared, &f).ok()) {
      (void)f->Size(&size);
    }
    return size;
  };
  s.field_names = [env](const std::string& dir, const std::string& file) {
    dbase::Table table(env);  // closed when it goes, also on failure
    table.SetDatabaseName(dir);
    table.SetTableName(file);
    table.SetExclusive(false);
    table.SetIndexOptional(true);  // the field list needs no index
    platform::Status st = table.Open();
    if (!st.ok()) throw Exception(st.message());
    return table.FieldNames();
  };
  s.run_job = engine::DividerJobRunner(env, progress);
  // The list of rows opens in the program's own text editor, beside the
  // main window and closing with itself.
  s.open_text = [](const std::string& path) {
    auto* editor = new TjxeditForm(QString::fromStdString(path), true, 0);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->show();
  };
  s.progress = progress;
  return s;
}

}  // namespace app
