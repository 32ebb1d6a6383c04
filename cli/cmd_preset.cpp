// podzial-cli preset: the jobs of one preset (tolm, wertal, kadmor) under a
// database directory.
#include "cli/Command.h"
#include "cli/EngineUi.h"

namespace cli {
namespace {

struct PresetOptions {
  std::string preset, dir;
  int32_t max_mb = 650;
  bool delete_old = false;
  bool yes = false;
  bool json = false;
  bool no_verify = false;
};

int RunPreset(const PresetOptions& o) {
  engine::RequestEntries e;
  e.DivType = o.preset == "tolm"     ? engine::kDivTolm
              : o.preset == "wertal" ? engine::kDivWertal
                                     : engine::kDivKadmor;
  e.TolmDir = o.dir;
  e.TolmSize = o.max_mb;
  e.TolmTmp = !o.delete_old;
  TerminalProgress progress;
  TerminalDialog dialog(o.yes);
  engine::DivisionRequest request(
      &dialog, engine::DividerJobRunner(platform::Env::Default(), &progress, !o.no_verify));
  return ReportRequest(request.Run(e), dialog, o.json);
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto o = std::make_shared<PresetOptions>();
  CLI::App* sub = app.add_subcommand("preset", "Dzieli pliki opisów bazy innego programu");
  sub->add_option("PRESET", o->preset, "tolm, wertal lub kadmor")
      ->required()
      ->check(CLI::IsMember({"tolm", "wertal", "kadmor"}));
  sub->add_option("DIR", o->dir, "Katalog bazy")->required();
  sub->add_option("--max-mb", o->max_mb, "Maksymalny rozmiar pliku w MB (0 = bez limitu)")
      ->check(CLI::Range(0, 2047));
  sub->add_flag("--delete-old", o->delete_old, "Usuń stare pliki zamiast je zachować");
  sub->add_flag("--yes", o->yes, "Odpowiedz Tak na pytanie o wersję bazy programu Kadmor");
  sub->add_flag("--no-verify", o->no_verify,
                "Nie sprawdzaj nowych plików przed zamianą (szybciej, mniej bezpiecznie)");
  sub->add_flag("--json", o->json, "Wypisz liczniki jako obiekt JSON");
  sub->callback([o, run] { *run = [o] { return RunPreset(*o); }; });
});

}  // namespace
}  // namespace cli
