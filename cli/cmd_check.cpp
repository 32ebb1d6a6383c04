// podzial-cli check FILE: the integrity check of a description file set.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/LockTimeout.h"
#include "engine/Reports.h"
#include "store/Checker.h"

namespace {

int RunCheck(const std::string& file, int lock_timeout) {
  store::CheckReport r;
  std::string error;
  cli::ToolEnv env(lock_timeout);
  const bool read = store::CheckSet(env.get(), file, &r, &error);
  // Without the lock the picture could be torn: given up, it says nothing.
  if (env.ReportTimeout(file)) return cli::kExitFailure;
  if (!read) {
    std::cerr << "Błąd: " << error << "\n";
    return cli::kExitFailure;
  }
  std::cout << engine::CheckText(file, r);
  return r.Clean() ? cli::kExitOk : cli::kExitFailure;
}

cli::AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto file = std::make_shared<std::string>();
  auto lock_timeout = std::make_shared<int>(cli::kDefaultLockTimeout);
  CLI::App* sub = app.add_subcommand(
      "check", "Sprawdza każdy blok i każdy łańcuch rekordów pliku opisów i jego kontynuacji");
  sub->add_option("PLIK", *file, "Plik opisów (plik bazowy zbioru)")->required()->type_name("");
  cli::AddLockTimeoutOption(sub, *lock_timeout);
  sub->callback([run, file, lock_timeout] {
    *run = [file, lock_timeout] { return RunCheck(*file, *lock_timeout); };
  });
});

}  // namespace
