// podzial-cli probe: the size limit recorded in a description file, in MB,
// as the main window proposes it.
#include <iostream>

#include "cli/Command.h"
#include "engine/Divider.h"

namespace cli {
namespace {

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto file = std::make_shared<std::string>();
  CLI::App* sub =
      app.add_subcommand("probe", "Podaje maksymalny rozmiar zapisany w pliku opisów (MB)");
  sub->add_option("FILE", *file, "Plik opisów (.dat, .dan)")->required();
  sub->callback([file, run] {
    *run = [file] {
      engine::TDividerInfo info;
      info.DataFile = *file;
      engine::TDivider divider(info);
      std::cout << divider.GetMaxSize() << "\n";
      return kExitOk;
    };
  });
});

}  // namespace
}  // namespace cli
