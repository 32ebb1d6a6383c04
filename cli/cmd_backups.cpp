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
  std::string out = "{\"backups\":[";
  for (size_t i = 0; i < list.size(); ++i) {
    const engine::BackupEntry& b = list[i];
    out += std::string(i ? "," : "") + "{\"dir\":" + JsonString(b.dir) +
           ",\"date\":" + JsonString(b.info.date) + ",\"version\":" + JsonString(b.info.version) +
           ",\"described\":" + (b.described ? "true" : "false") +
           ",\"problem\":" + JsonString(b.problem) + ",\"bytes\":" + std::to_string(b.bytes) +
           ",\"files\":" + std::to_string(b.files) +
           ",\"restorable\":" + (b.restorable ? "true" : "false") + ",\"jobs\":[";
    for (size_t k = 0; k < b.info.jobs.size(); ++k) {
      const engine::BackupJob& j = b.info.jobs[k];
      out += std::string(k ? "," : "") + "{\"table\":" + JsonString(j.table) +
             ",\"data\":" + JsonString(j.data);
      if (j.counted) {
        out += ",\"rows\":" + std::to_string(j.rows) +
               ",\"converted\":" + std::to_string(j.converted) +
               ",\"dropped\":" + std::to_string(j.dropped) +
               ",\"records_written\":" + std::to_string(j.records) +
               ",\"new_files\":" + std::to_string(j.new_files);
      }
      out += "}";
    }
    out += "]}";
  }
  return out + "]}\n";
}

struct BackupsOptions {
  std::string dir;
  bool json = false;
};

int RunBackups(const BackupsOptions& o) {
  std::vector<engine::BackupEntry> list;
  std::string error;
  if (!engine::ListBackups(platform::Env::Default(), o.dir, &list, &error)) {
    std::cerr << error << "\n";
    return kExitFailure;
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
