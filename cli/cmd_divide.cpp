// podzial-cli divide: one hand-picked division job, with the main window's
// defaults (650 MB, check ID on, old data kept).
#include "cli/Command.h"
#include "cli/EngineUi.h"

namespace cli {
namespace {

struct DivideOptions {
  DivideArgs args;
  bool json = false;
  bool no_verify = false;
};

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto o = std::make_shared<DivideOptions>();
  CLI::App* sub = app.add_subcommand("divide", "Dzieli plik opisów wybranej tabeli");
  AddDivideOptions(sub, o->args, "Usuń stare pliki zamiast je zachować");
  AddRunFlags(sub, o->no_verify, o->json);
  sub->callback([o, run] {
    *run = [o] { return RunDivision(DivideEntries(o->args), false, !o->no_verify, o->json); };
  });
});

}  // namespace
}  // namespace cli
