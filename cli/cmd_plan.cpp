// podzial-cli plan divide ... | plan preset ...: a dry run with the same
// arguments as divide and preset. Opens everything read-only and reports
// what the division would do, the new files it would make and where the
// old ones would go, without writing a byte; it fails where the division
// would fail before writing (files in use, a directory that may not be
// written, too little space).
#include <iostream>

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
  std::vector<std::string> items;
  for (uint32_t row : rows) items.push_back(std::to_string(row));
  return JsonArray(items);
}

std::string FilesJson(const std::vector<engine::PlannedFile>& files) {
  std::vector<std::string> items;
  for (const auto& f : files)
    items.push_back(JsonObject().Add("name", f.name).Add("bytes", f.size).str());
  return JsonArray(items);
}

int Report(const engine::RequestPlan& plan, const TerminalDialog& dialog, bool json) {
  const engine::RequestResult& r = plan.result;
  if (!r.completed) return ReportNotDone(dialog, "Podział nie zostałby wykonany.", json);
  if (!json) {
    std::cout << engine::PlanText(plan);
    return kExitOk;
  }
  std::vector<std::string> jobs;
  for (size_t i = 0; i < plan.plans.size(); ++i) {
    const auto& p = plan.plans[i];
    jobs.push_back(JobJsonHead(p.info, p.ran)
                       .Raw("counts", CountsJson(p.counts))
                       .Raw("unreadable_rows", RowsJson(p.unreadable_rows))
                       .Raw("files", FilesJson(p.files))
                       .Add("needed_bytes", i < plan.needed_bytes.size() ? plan.needed_bytes[i] : 0)
                       .Raw("old_files", StringsJson(p.old_files))
                       .Add("keeps_old", p.keeps_old)
                       .str());
  }
  std::cout << JsonObject()
                   .Add("status", "ok")
                   .Raw("jobs", JsonArray(jobs))
                   .Raw("total", CountsJson(r.total))
                   .str()
            << "\n";
  return kExitOk;
}

int RunPlan(const PlanOptions& o, bool preset) {
  const engine::RequestEntries e = preset ? PresetEntries(o.preset) : DivideEntries(o.divide);
  TerminalDialog dialog(o.preset.yes);
  try {
    return Report(engine::PlanRequest(platform::Env::Default(), &dialog, e), dialog, o.json);
  } catch (const engine::EngineError& err) {
    return ReportError(err.what(), o.json, kExitFailure, "Podział nie powiódłby się: ");
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
