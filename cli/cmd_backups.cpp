// podzial-cli backups DIR: the backups of a database directory, newest
// first, with what each one's description says (date, version, jobs and
// their counts) and its size. Backups of older versions, without a
// description, are listed with their directory's date and their tables.
#include <iostream>
#include <string>

#include "cli/Command.h"
#include "cli/EngineUi.h"
#include "engine/BackupInfo.h"

namespace cli {
namespace {

std::string BackupsJson(const std::vector<engine::BackupEntry>& list) {
  std::vector<std::string> backups;
  for (const engine::BackupEntry& b : list) {
    std::vector<std::string> jobs;
    for (const engine::BackupJob& j : b.info.jobs) {
      JsonObject job;
      job.Add("table", j.table).Add("data_file", j.data);
      if (j.counted) {
        job.Raw("counts", JsonObject()
                              .Add("rows", j.rows)
                              .Add("converted", j.converted)
                              .Add("dropped", j.dropped)
                              .Add("records_written", j.records)
                              .Add("new_files", j.new_files)
                              .str());
      }
      jobs.push_back(job.str());
    }
    backups.push_back(JsonObject()
                          .Add("backup_dir", b.dir)
                          .Add("date", b.info.date)
                          .Add("version", b.info.version)
                          .Add("described", b.described)
                          .Add("problem", b.problem)
                          .Add("bytes", b.bytes)
                          .Add("file_count", b.files)
                          .Add("restorable", b.restorable)
                          .Raw("jobs", JsonArray(jobs))
                          .str());
  }
  return JsonObject().Add("status", "ok").Raw("backups", JsonArray(backups)).str() + "\n";
}

struct BackupsOptions {
  std::string dir;
  bool json = false;
};

int RunBackups(const BackupsOptions& o) {
  std::vector<engine::BackupEntry> list;
  std::string error;
  if (!engine::ListBackups(platform::Env::Default(), o.dir, &list, &error)) {
    return ReportError(error, o.json);
  }
  std::cout << (o.json ? BackupsJson(list) : engine::BackupsText(o.dir, list));
  return kExitOk;
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto o = std::make_shared<BackupsOptions>();
  CLI::App* sub = app.add_subcommand(
      "backups",
      "Wypisuje kopie danych sprzed podziału (katalogi old + cyfry) w katalogu bazy, od "
      "najnowszej: datę, wersję programu, zadania z licznikami i rozmiar");
  sub->add_option("KATALOG", o->dir, "Katalog bazy (lub tabeli)")->required()->type_name("");
  sub->add_flag("--json", o->json, "Wypisz listę jako obiekt JSON");
  sub->callback([o, run] { *run = [o] { return RunBackups(*o); }; });
});

}  // namespace
}  // namespace cli
