// podzial-cli new FILE [--max-mb N]: creates an empty description file.
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/Polish.h"
#include "store/jxmemo.h"

namespace {

struct NewArgs {
  std::string file;
  int maxMb = 0;
};

int RunNew(const NewArgs& a) {
  store::tjxmemo memo;
  if (!memo.CreateNew(a.file, a.maxMb * 1048576)) {
    std::cerr << "Nie udało się utworzyć pliku: " << a.file << " (" << memo.LastError() << ")\n";
    return cli::kExitFailure;
  }
  return memo.CloseAll() ? cli::kExitOk : cli::kExitFailure;
}

cli::AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto args = std::make_shared<NewArgs>();
  CLI::App* sub = app.add_subcommand("new", "Tworzy pusty plik opisów");
  sub->add_option("PLIK", args->file, "Nazwa nowego pliku opisów")->required()->type_name("");
  sub->add_option("--max-mb", args->maxMb,
                  "Limit rozmiaru pliku w MB, od 0 (bez limitu) do 2047; domyślnie 0")
      ->type_name("MB")
      ->check(cli::IntegerIn(0, 2047));
  sub->callback([run, args] { *run = [args] { return RunNew(*args); }; });
});

}  // namespace
