// podzial-cli: the command-line front end. Each subcommand lives in its own
// cmd_*.cpp file and registers itself.
#include <cstdio>
#include <iostream>

#include "cli/Command.h"
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
  app.require_subcommand(1);
  // "/data/opisy.dat" is a path on every system, never an option.
  app.allow_windows_style_options(false);
  app.set_help_flag("-h,--help", "Wyświetla pomoc i kończy");
  auto fmt = app.get_formatter();
  fmt->label("Usage", "Użycie");
  fmt->label("OPTIONS", "OPCJE");
  fmt->label("SUBCOMMAND", "POLECENIE");
  fmt->label("SUBCOMMANDS", "POLECENIA");
  fmt->label("Options", "Opcje");
  fmt->label("Subcommands", "Polecenia");
  fmt->label("Positionals", "Argumenty");
  fmt->label("REQUIRED", "WYMAGANE");
  fmt->label("TEXT", "TEKST");
  fmt->label("INT", "LICZBA");

  std::function<int()> run;
  for (auto& reg : cli::Registry()) reg(app, &run);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return cli::kExitUsage;
  }
  if (!run) return cli::kExitUsage;
  try {
    return run();
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return cli::kExitFailure;
  }
}
