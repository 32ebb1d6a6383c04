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
#include "engine/Reports.h"

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

int Report(const engine::RequestPlan& plan, const TerminalDialog& dialog, bool json) {
  const engine::RequestResult& r = plan.result;
  if (!r.completed) return ReportNotDone(dialog, "Podział nie zostałby wykonany.");
  if (!json) {
    std::cout << engine::PlanText(plan);
    return kExitOk;
  }
  std::cout << "{\"jobs\":[";
  for (size_t i = 0; i < plan.plans.size(); ++i) {
    const auto& p = plan.plans[i];
    std::cout << (i ? "," : "") << JobJsonHead(p.info, p.ran)
              << ",\"counts\":" << CountsJson(p.counts)
              << ",\"unreadable_rows\":" << RowsJson(p.unreadable_rows)
              << ",\"files\":" << FilesJson(p.files)
              << ",\"needed_bytes\":" << (i < plan.needed_bytes.size() ? plan.needed_bytes[i] : 0)
              << ",\"old_files\":" << StringsJson(p.old_files)
              << ",\"keeps_old\":" << (p.keeps_old ? "true" : "false") << "}";
  }
  PrintTotal(r.total, plan.plans.size(), json);
  return kExitOk;
}

int RunPlan(const PlanOptions& o, bool preset) {
  const engine::RequestEntries e = preset ? PresetEntries(o.preset) : DivideEntries(o.divide);
  TerminalDialog dialog(o.preset.yes);
  try {
    return Report(engine::PlanRequest(platform::Env::Default(), &dialog, e), dialog, o.json);
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
