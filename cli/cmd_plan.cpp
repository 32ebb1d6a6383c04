// podzial-cli plan divide ... | plan preset ...: a dry run with the same
// arguments as divide and preset. Opens everything read-only and reports
// what the division would do and the new files it would make, without
// writing a byte.
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/EngineUi.h"
#include "engine/EngineError.h"
#include "engine/Planner.h"

namespace cli {
namespace {

struct PlanOptions {
  // divide
  std::string table, data, field;
  bool no_check_id = false;
  // preset
  std::string preset, dir;
  bool yes = false;
  // both
  int32_t max_mb = 650;
  bool delete_old = false;
  bool json = false;
};

std::string RowsJson(const std::vector<uint32_t>& rows) {
  std::ostringstream o;
  o << "[";
  for (size_t i = 0; i < rows.size(); ++i) o << (i ? "," : "") << rows[i];
  o << "]";
  return o.str();
}

std::string FilesJson(const std::vector<engine::PlannedFile>& files) {
  std::ostringstream o;
  o << "[";
  for (size_t i = 0; i < files.size(); ++i) {
    o << (i ? "," : "") << "{\"name\":" << JsonString(files[i].name)
      << ",\"size\":" << files[i].size << "}";
  }
  o << "]";
  return o.str();
}

int Report(const engine::RequestResult& r, const std::vector<engine::JobPlan>& plans,
           const TerminalDialog& dialog, bool json) {
  if (!r.completed) {
    if (dialog.unanswered) std::cerr << engine::kMsgKadmorQuestion << "\n";
    std::cerr << "Podział nie zostałby wykonany.\n";
    return kExitFailure;
  }
  if (json) {
    std::cout << "{\"jobs\":[";
    for (size_t i = 0; i < plans.size(); ++i) {
      const auto& p = plans[i];
      std::cout << (i ? "," : "") << "{\"table\":" << JsonString(p.info.TableFile)
                << ",\"data\":" << JsonString(p.info.DataFile)
                << ",\"ran\":" << (p.ran ? "true" : "false")
                << ",\"counts\":" << CountsJson(p.counts)
                << ",\"unreadable_rows\":" << RowsJson(p.unreadable_rows)
                << ",\"files\":" << FilesJson(p.files) << "}";
    }
    std::cout << "],\"total\":" << CountsJson(r.total) << "}\n";
    return kExitOk;
  }
  std::cout << "Plan podziału (nic nie zostało zapisane):\n";
  for (const auto& p : plans) {
    if (!p.ran) {
      std::cout << p.info.TableFile << ": pominięto (brak tabeli lub pliku opisów)\n";
      continue;
    }
    std::cout << p.info.TableFile << ": " << CountsText(p.counts) << "\n";
    if (!p.unreadable_rows.empty()) {
      std::cout << "  nieczytelne odwołania w wierszach:";
      for (uint32_t row : p.unreadable_rows) std::cout << " " << row;
      if (p.counts.dropped > p.unreadable_rows.size()) {
        std::cout << " ... (razem " << p.counts.dropped << ")";
      }
      std::cout << "\n";
    }
    for (const auto& f : p.files) std::cout << "  " << f.name << ": " << f.size << " B\n";
  }
  if (plans.size() > 1) std::cout << "razem: " << CountsText(r.total) << "\n";
  return kExitOk;
}

int RunPlan(const PlanOptions& o, bool preset) {
  engine::RequestEntries e;
  if (preset) {
    e.DivType = o.preset == "tolm"     ? engine::kDivTolm
                : o.preset == "wertal" ? engine::kDivWertal
                                       : engine::kDivKadmor;
    e.TolmDir = o.dir;
    e.TolmSize = o.max_mb;
    e.TolmTmp = !o.delete_old;
  } else {
    e.DivType = engine::kDivUser;
    e.TableFN = o.table;
    e.DataFN = o.data;
    e.FieldName = o.field;
    e.Size = o.max_mb;
    e.CheckID = !o.no_check_id;
    e.OldToTemp = !o.delete_old;
  }
  TerminalDialog dialog(o.yes);
  engine::TPlanner planner;
  std::vector<engine::JobPlan> plans;
  engine::DivisionRequest request(&dialog, planner.Runner(&plans));
  try {
    return Report(request.Run(e), plans, dialog, o.json);
  } catch (const engine::EngineError& err) {
    std::cerr << "Podział nie powiódłby się: " << err.what() << "\n";
    return kExitFailure;
  }
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto o = std::make_shared<PlanOptions>();
  CLI::App* plan = app.add_subcommand(
      "plan", "Próbny podział: pokazuje, co zrobiłby podział, niczego nie zapisując");
  plan->require_subcommand(1);

  CLI::App* d = plan->add_subcommand("divide", "Plan podziału wybranej tabeli (jak divide)");
  d->add_option("--table", o->table, "Plik tabeli (.dbf)")->required();
  d->add_option("--data", o->data, "Plik opisów (.dat, .dan)")->required();
  d->add_option("--field", o->field, "Pole z adresem opisu")->required();
  d->add_option("--max-mb", o->max_mb, "Maksymalny rozmiar pliku w MB (0 = bez limitu)")
      ->check(CLI::Range(0, 2047));
  d->add_flag("--no-check-id", o->no_check_id, "Nie pomijaj wierszy ze znacznikiem w polu ID");
  d->add_flag("--delete-old", o->delete_old, "Bez znaczenia dla planu (jak w divide)");
  d->add_flag("--json", o->json, "Wypisz plan jako obiekt JSON");
  d->callback([o, run] { *run = [o] { return RunPlan(*o, false); }; });

  CLI::App* p = plan->add_subcommand("preset", "Plan podziału bazy innego programu (jak preset)");
  p->add_option("PRESET", o->preset, "tolm, wertal lub kadmor")
      ->required()
      ->check(CLI::IsMember({"tolm", "wertal", "kadmor"}));
  p->add_option("DIR", o->dir, "Katalog bazy")->required();
  p->add_option("--max-mb", o->max_mb, "Maksymalny rozmiar pliku w MB (0 = bez limitu)")
      ->check(CLI::Range(0, 2047));
  p->add_flag("--delete-old", o->delete_old, "Bez znaczenia dla planu (jak w preset)");
  p->add_flag("--yes", o->yes, "Odpowiedz Tak na pytanie o wersję bazy programu Kadmor");
  p->add_flag("--json", o->json, "Wypisz plan jako obiekt JSON");
  p->callback([o, run] { *run = [o] { return RunPlan(*o, true); }; });
});

}  // namespace
}  // namespace cli
