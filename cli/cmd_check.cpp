// podzial-cli check FILE: the integrity check of a description file set.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/LockTimeout.h"
#include "cli/StoreText.h"
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
  std::cout << "Plik: " << file << "\n";
  if (r.HeaderOk) {
    std::cout << "Pliki zbioru: " << r.Files.size() << "\n";
    std::cout << "Rekordy: " << r.Records << " (spakowane: " << r.CompressedRecords << ")\n";
    std::cout << "Bajty zapisane: " << r.StoredBytes << "\n";
    std::cout << "Bajty po rozpakowaniu: " << r.PlainBytes << "\n";
    std::cout << "Bloki: " << r.Blocks << ", wolne: " << r.FreeBlocks
              << ", pozostałości przerwanych zapisów: " << r.OrphanBlocks << "\n";
    std::cout << "Niedokończone rekordy: " << r.UnfinishedRecords << "\n";
  }
  for (const auto& n : r.Notes) std::cout << "Uwaga: " << cli::Where(r, n) << n.Text << "\n";
  std::cout << "Problemy: " << r.ProblemCount << "\n";
  for (const auto& p : r.Problems) std::cout << "  " << cli::Where(r, p) << p.Text << "\n";
  if (r.ProblemCount > static_cast<int64_t>(r.Problems.size()))
    std::cout << "  ... i " << r.ProblemCount - static_cast<int64_t>(r.Problems.size())
              << " dalszych\n";
  std::cout << (r.Clean() ? "Wynik: plik jest poprawny\n" : "Wynik: plik ma problemy\n");
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
