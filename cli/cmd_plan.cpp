// podzial-cli plan divide ... | plan preset ...: a dry run with the same
// arguments as divide and preset. Opens everything read-only and reports
// what the division would do, the new files it would make and where the
// old ones would go, without writing a byte; it fails where the division
// would fail before writing (files in use, a directory that may not be
// written, too little space).
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/EngineUi.h"
#include "engine/EngineError.h"
#include "engine/PlanChecks.h"
#include "engine/Planner.h"

namespace cli {
namespace {

struct PlanOptions {
  DivideArgs divide;
  PresetArgs preset;
  bool json = false;
  bool no_verify = false;  // taken so that any divide line can be planned
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
  if (!r.completed) return ReportNotDone(dialog, "Podział nie zostałby wykonany.");
  if (json) {
    std::cout << "{\"jobs\":[";
    for (size_t i = 0; i < plans.size(); ++i) {
      const auto& p = plans[i];
      std::cout << (i ? "," : "") << JobJsonHead(p.info, p.ran)
                << ",\"counts\":" << CountsJson(p.counts)
                << ",\"unreadable_rows\":" << RowsJson(p.unreadable_rows)
                << ",\"files\":" << FilesJson(p.files)
                << ",\"old_files\":" << StringsJson(p.old_files)
                << ",\"keeps_old\":" << (p.keeps_old ? "true" : "false") << "}";
    }
  } else {
    std::cout << "Plan podziału (nic nie zostało zapisane):\n";
    for (const auto& p : plans) {
      if (!p.ran) {
        std::cout << p.info.TableFile << ": " << kSkippedJob << "\n";
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
        if (!p.info.KeepOld) {
          std::cout << "  stare pliki zostaną zachowane w katalogu kopii, bo są jedyną kopią "
                       "tego, na co wskazywały te wiersze\n";
        }
      }
      if (p.counts.marker_kept > 0) {
        // Their addresses stay as they are and read the old files.
        std::cout << "  wiersze ze znacznikiem ID z adresem starych danych: "
                  << p.counts.marker_kept
                  << "; stare pliki zostaną więc zachowane w katalogu kopii\n";
      }
      for (const auto& f : p.files) std::cout << "  " << f.name << ": " << f.size << " B\n";
      std::string old_files;
      for (const auto& name : p.old_files) old_files += (old_files.empty() ? "" : ", ") + name;
      std::cout << (p.keeps_old ? "  stare pliki do katalogu kopii: "
                                : "  stare pliki do usunięcia: ")
                << old_files << "\n";
    }
  }
  PrintTotal(r.total, plans.size(), json);
  return kExitOk;
}

int RunPlan(const PlanOptions& o, bool preset) {
  const engine::RequestEntries e = preset ? PresetEntries(o.preset) : DivideEntries(o.divide);
  TerminalDialog dialog(o.preset.yes);
  platform::Env* env = platform::Env::Default();
  engine::Planner planner(env);
  std::vector<engine::JobPlan> plans;
  engine::JobRunner plan_job = planner.Runner(&plans);
  engine::JobRunner runner = [&](const engine::TDividerInfo& info, const std::string& old_dir,
                                 std::string& used_old_dir, engine::JobReport& report) {
    engine::CheckFilesAndDirectory(env, info);
    plan_job(info, old_dir, used_old_dir, report);
    if (!report.ran) return;
    uint64_t new_bytes = 0;
    for (const auto& f : plans.back().files) new_bytes += f.size;
    engine::CheckFreeSpace(env, info, new_bytes);
  };
  engine::DivisionRequest request(&dialog, runner);
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
  AddDivideOptions(d, o->divide, "Bez znaczenia dla planu (jak w divide)");
  d->add_flag("--no-verify", o->no_verify, "Bez znaczenia dla planu (jak w divide)");
  d->add_flag("--json", o->json, "Wypisz plan jako obiekt JSON");
  d->callback([o, run] { *run = [o] { return RunPlan(*o, false); }; });

  CLI::App* p = plan->add_subcommand("preset", "Plan podziału bazy innego programu (jak preset)");
  AddPresetOptions(p, o->preset, "Bez znaczenia dla planu (jak w preset)");
  p->add_flag("--no-verify", o->no_verify, "Bez znaczenia dla planu (jak w preset)");
  p->add_flag("--json", o->json, "Wypisz plan jako obiekt JSON");
  p->callback([o, run] { *run = [o] { return RunPlan(*o, true); }; });
});

}  // namespace
}  // namespace cli
