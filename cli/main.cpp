// podzial-cli: the command-line front end. Each subcommand lives in its own
// cmd_*.cpp file and registers itself.
#include <cstdio>
#include <iostream>

#include "cli/Command.h"
#include "cli/Examples.h"
#include "cli/Polish.h"
#include "platform/Console.h"

namespace cli {
std::vector<Registrar>& Registry() {
  static std::vector<Registrar> registry;
  return registry;
}
}  // namespace cli

int main(int argc, char** argv) {
  platform::PrepareConsole();
  argv = platform::Utf8Arguments(argc, argv);
  CLI::App app{"Podział plików z danymi opisowymi: narzędzia wiersza poleceń"};
  app.name("podzial-cli");
  app.require_subcommand(1);
  // "/data/opisy.dat" is a path on every system, never an option.
  app.allow_windows_style_options(false);
  cli::SetPolishLabels(app);
  app.set_version_flag("-V,--version", std::string("podzial-cli ") + PODZIAL_VERSION,
                       "Wypisuje wersję programu i kończy");
  app.footer(
      "Pomoc polecenia: podzial-cli POLECENIE --help lub podzial-cli help POLECENIE.\n"
      "Kody wyjścia:\n"
      "  0    powodzenie\n"
      "  1    błąd operacji lub problemy w pliku\n"
      "  2    błędne wywołanie\n"
      "  3    podział zakończony z ostrzeżeniami: nie skopiowano odwołań, wiersze ze\n"
      "       znacznikiem ID wskazują stare dane albo nie udało się usunąć starych plików;\n"
      "       stare pliki zostały w katalogu kopii, który podaje komunikat\n"
      "  130  przerwano klawiszami Ctrl+C");

  std::function<int()> run;
  for (auto& reg : cli::Registry()) reg(app, &run);
  CLI::App* help = app.add_subcommand("help", "Pokazuje pomoc polecenia (jak POLECENIE --help)");
  help->add_option("POLECENIE", "Polecenie, którego pomoc pokazać");
  cli::SetPolishGroups(app);
  cli::SetExamples(app, cli::kExamples);

  const int parsed = cli::ParseCommandLine(app, argc, argv);
  if (parsed >= 0) return parsed;
  if (!run) {
    // "help" alone: the whole program's help.
    std::cout << app.help();
    return cli::kExitOk;
  }
  try {
    return run();
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return cli::kExitFailure;
  }
}
