// podzial-cli restore BACKUPDIR: puts a kept division back. The divided
// files are moved into a "new<digits>" directory beside them, the old ones
// come back from the backup; every move is printed.
#include <iostream>
#include <string>

#include "cli/Command.h"
#include "cli/Json.h"
#include "engine/EngineError.h"
#include "engine/Restorer.h"

namespace cli {
namespace {

struct RestoreOptions {
  std::string backup_dir;
  bool dry = false;
  bool json = false;
};

std::string MovesJson(const std::vector<engine::RestoreMove>& moves) {
  std::vector<std::string> items;
  for (const auto& m : moves)
    items.push_back(JsonObject().Add("from", m.from).Add("to", m.to).str());
  return JsonArray(items);
}

// The plan, and after a restore what it did: the same object either way.
std::string RestoreJson(const engine::RestorePlan& plan, bool dry,
                        const std::vector<std::string>& warnings) {
  std::vector<std::string> groups;
  for (const auto& g : plan.groups) {
    groups.push_back(JsonObject()
                         .Add("backup_dir", g.backup_dir)
                         .Add("database_dir", g.database_dir)
                         .Add("new_dir", g.aside.empty() ? std::string() : g.new_dir)
                         .Raw("tables", StringsJson(g.tables))
                         .Raw("aside", MovesJson(g.aside))
                         .Raw("back", MovesJson(g.back))
                         .str());
  }
  return JsonObject()
             .Add("status", "ok")
             .Add("dry_run", dry)
             .Add("backup_dir", plan.backup_dir)
             .Raw("ignored", StringsJson(plan.ignored))
             .Raw("groups", JsonArray(groups))
             .Raw("warnings", StringsJson(warnings))
             .str() +
         "\n";
}

int RunRestore(const RestoreOptions& o) {
  engine::Restorer restorer;
  try {
    const engine::RestorePlan plan = restorer.Prepare(o.backup_dir);
    if (o.json) {
      // The moves are in the object; only a failure in the middle is told
      // apart, by the error object.
      const std::vector<std::string> warnings =
          o.dry ? std::vector<std::string>() : restorer.Restore(plan);
      std::cout << RestoreJson(plan, o.dry, warnings);
      return kExitOk;
    }
    for (const std::string& ignored : plan.ignored) {
      std::cout << "pominięto (nie pochodzi z podziału): " << ignored << "\n";
    }
    if (o.dry) {
      for (const auto& g : plan.groups) {
        // Every group has a name ready for that directory; only one with
        // files to put aside makes it.
        if (!g.aside.empty()) {
          std::cout << "Pliki po podziale trafią do katalogu: " << g.new_dir << "\n";
        }
        for (const auto& m : g.aside) std::cout << "odłożę: " << m.from << " -> " << m.to << "\n";
        for (const auto& m : g.back) std::cout << "przywrócę: " << m.from << " -> " << m.to << "\n";
      }
      return kExitOk;
    }
    const std::vector<std::string> warnings =
        restorer.Restore(plan, [](const engine::RestoreMove& m) {
          std::cout << m.from << " -> " << m.to << "\n" << std::flush;
        });
    std::cout << "Przywrócono dane z katalogu: " << plan.backup_dir << "\n";
    for (const auto& g : plan.groups) {
      if (!g.aside.empty()) std::cout << "Pliki po podziale są w katalogu: " << g.new_dir << "\n";
    }
    for (const std::string& w : warnings) std::cout << w << "\n";
    return kExitOk;
  } catch (const engine::EngineError& e) {
    return ReportError(e.what(), o.json);
  }
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto o = std::make_shared<RestoreOptions>();
  CLI::App* cmd = app.add_subcommand(
      "restore",
      "Przywraca dane sprzed podziału z katalogu kopii (old + cyfry); pliki po podziale "
      "przenosi do katalogu new + cyfry obok nich");
  cmd->add_option("KATALOG_KOPII", o->backup_dir, "Katalog kopii zachowany przez podział")
      ->required()
      ->type_name("");
  cmd->add_flag(
      "--dry-run", o->dry,
      "Tylko sprawdza i wypisuje, co zostałoby przeniesione i dokąd (katalog new + cyfry kopii)");
  cmd->add_flag("--json", o->json, "Wypisz plan lub wynik jako obiekt JSON");
  cmd->callback([o, run] { *run = [o] { return RunRestore(*o); }; });
});

}  // namespace
}  // namespace cli
