// Main window services over the engine and the table engine.
#include "ui/EngineServices.h"

#include "dbase/Table.h"
#include "engine/Divider.h"
#include "engine/EngineError.h"

namespace ui {

namespace {

// How long the size probe waits for a description file another program
// holds locked, as the command line's tools do by default.
constexpr int64_t kProbeLockTimeoutMs = 300 * 1000;

}  // namespace

MainServices EngineServices(platform::Env* env, engine::ProgressDisplayFactory* progress,
                            ToolkitParts parts) {
  MainServices s;
  s.max_size = [env, make_window = parts.lock_wait_window](const std::string& data_file) {
    std::unique_ptr<platform::LockWaitListener> window;
    if (make_window) window = make_window();
    platform::LockWaitEnv waiting(env, kProbeLockTimeoutMs, window.get());
    engine::TDividerInfo info;
    info.DataFile = data_file;
    engine::TDivider divider(info, &waiting);
    const int32_t mb = divider.GetMaxSize();
    if (waiting.TimedOut()) {
      throw engine::EngineError("Plik opisów " + data_file +
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
    if (!st.ok()) throw engine::EngineError(st.message());
    return table.FieldNames();
  };
  s.run_job = engine::DividerJobRunner(env, progress);
  s.open_text = std::move(parts.open_text);
  s.progress = progress;
  return s;
}

}  // namespace ui
