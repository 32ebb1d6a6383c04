// Main window services over the engine and the table engine.
#include "app/EngineServices.h"

#include "controls/Errors.h"
#include "dbase/Table.h"
#include "engine/Divider.h"

MainFormServices EngineServices(platform::Env* env, TProgressWindows* progress) {
  MainFormServices s;
  s.max_size = [env](const std::string& data_file) {
    engine::TDividerInfo info;
    info.DataFile = data_file;
    engine::TDivider divider(info, env);
    return divider.GetMaxSize();
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
  return s;
}
