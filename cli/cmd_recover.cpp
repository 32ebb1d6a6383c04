// podzial-cli recover: finishes or undoes the divisions that a crash, a kill
// or a power cut interrupted in a database directory (and the directories
// directly below it), and removes the working directories they left. Those
// of runs still going are named and left alone. --dry-run says what it
// would do and changes nothing.
#include <iostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "engine/Recovery.h"

namespace cli {
namespace {

struct RecoverOptions {
  std::string dir;
  bool dry = false;
  bool json = false;
};

const char* ActionName(engine::WorkDirAction a) {
  switch (a) {
    case engine::WorkDirAction::kRemove:
      return "remove";
    case engine::WorkDirAction::kFinish:
      return "finish";
    case engine::WorkDirAction::kUndo:
      return "undo";
    case engine::WorkDirAction::kRunning:
      return "running";
    case engine::WorkDirAction::kLeave:
      break;
  }
  return "leave";
}

std::string RecoveryJson(const RecoverOptions& o, const engine::RecoveryReport& r) {
  std::vector<std::string> dirs;
  for (const auto& d : r.dirs) {
    std::vector<std::string> moves;
    for (const auto& m : d.moves) {
      moves.push_back(JsonObject().Add("from", m.from).Add("to", m.to).str());
    }
    dirs.push_back(JsonObject()
                       .Add("work_dir", d.work_dir)
                       .Add("action", ActionName(d.action))
                       .Raw("moves", JsonArray(moves))
                       .str());
  }
  std::string failed;
  for (const auto& f : r.failed) failed += (failed.empty() ? "" : "\n") + f;
  JsonObject out;
  out.Add("status", r.failed.empty() ? "ok" : "error");
  if (!r.failed.empty()) out.Add("error", failed);
  return out.Add("dry_run", o.dry)
             .Add("database_dir", o.dir)
             .Raw("work_dirs", JsonArray(dirs))
             .Raw("done", StringsJson(r.done))
             .Raw("failed", StringsJson(r.failed))
             .Raw("running", StringsJson(r.running))
             .str() +
         "\n";
}

int RunRecover(const RecoverOptions& o) {
  if (!platform::Env::Default()->DirectoryExists(o.dir)) {
    return ReportError("Nie znaleziono katalogu: " + o.dir, o.json);
  }
  const engine::RecoveryReport r = engine::RecoverDatabase(platform::Env::Default(), o.dir, o.dry);
  if (o.json) {
    for (const auto& line : r.failed) std::cerr << line << "\n";
    std::cout << RecoveryJson(o, r);
    return r.failed.empty() ? kExitOk : kExitFailure;
  }
  if (r.Nothing() && r.running.empty())
    std::cout << "Brak przerwanych podziałów w katalogu " << o.dir << "\n";
  if (o.dry && !r.Nothing()) std::cout << "Próba (nic nie zostało zmienione):\n";
  for (const auto& line : r.done) std::cout << line << "\n";
  for (const auto& work_dir : r.running) {
    std::cout << "Podział w toku, pominięto: " << work_dir << "\n";
  }
  for (const auto& line : r.failed) std::cerr << line << "\n";
  return r.failed.empty() ? kExitOk : kExitFailure;
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto o = std::make_shared<RecoverOptions>();
  CLI::App* sub = app.add_subcommand(
      "recover", "Kończy lub wycofuje podział przerwany awarią i usuwa jego katalog roboczy");
  sub->add_option("KATALOG", o->dir, "Katalog bazy (lub tabeli)")->required()->type_name("");
  sub->add_flag("--dry-run", o->dry,
                "Tylko wypisuje, co zostałoby zrobione (które katalogi robocze, dokończenie lub "
                "wycofanie, które pliki zostałyby przeniesione), niczego nie zmieniając");
  sub->add_flag("--json", o->json, "Wypisz wynik jako obiekt JSON");
  sub->callback([o, run] { *run = [o] { return RunRecover(*o); }; });
});

}  // namespace
}  // namespace cli
