// podzial-cli recover: finishes or undoes the divisions that a crash, a kill
// or a power cut interrupted in a database directory (and the directories
// directly below it), and removes the working directories they left. Those
// of runs still going are named and left alone.
#include <iostream>

#include "cli/Command.h"
#include "engine/Recovery.h"

namespace cli {
namespace {

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto dir = std::make_shared<std::string>();
  CLI::App* sub = app.add_subcommand(
      "recover", "Kończy lub wycofuje podział przerwany awarią i usuwa jego katalog roboczy");
  sub->add_option("KATALOG", *dir, "Katalog bazy (lub tabeli)")->required()->type_name("");
  sub->callback([dir, run] {
    *run = [dir] {
      if (!platform::Env::Default()->DirectoryExists(*dir)) {
        std::cerr << "Nie znaleziono katalogu: " << *dir << "\n";
        return kExitFailure;
      }
      const engine::RecoveryReport r = engine::RecoverDatabase(platform::Env::Default(), *dir);
      if (r.Nothing() && r.running.empty())
        std::cout << "Brak przerwanych podziałów w katalogu " << *dir << "\n";
      for (const auto& line : r.done) std::cout << line << "\n";
      for (const auto& work_dir : r.running) {
        std::cout << "Podział w toku, pominięto: " << work_dir << "\n";
      }
      for (const auto& line : r.failed) std::cerr << line << "\n";
      return r.failed.empty() ? kExitOk : kExitFailure;
    };
  });
});

}  // namespace
}  // namespace cli
