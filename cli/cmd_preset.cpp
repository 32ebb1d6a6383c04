// podzial-cli preset: the jobs of one preset (tolm, wertal, kadmor) under a
// database directory.
#include "cli/Command.h"
#include "cli/EngineUi.h"

namespace cli {
namespace {

struct PresetOptions {
  PresetArgs args;
  bool json = false;
  bool no_verify = false;
};

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto o = std::make_shared<PresetOptions>();
  CLI::App* sub = app.add_subcommand("preset", "Dzieli pliki opisów bazy innego programu");
  AddPresetOptions(sub, o->args, "Usuń stare pliki zamiast je zachować");
  AddRunFlags(sub, o->no_verify, o->json);
  sub->callback([o, run] {
    *run = [o] { return RunDivision(PresetEntries(o->args), o->args.yes, !o->no_verify, o->json); };
  });
});

}  // namespace
}  // namespace cli
