// podzial-cli check FILE: the integrity check of a description file set.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/StoreText.h"
#include "store/Checker.h"

namespace {

int RunCheck(const std::string& file) {
  store::CheckReport r;
  std::string error;
  if (!store::CheckSet(platform::Env::Default(), file, &r, &error)) {
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
  CLI::App* sub = app.add_subcommand(
      "check", "Sprawdza każdy blok i każdy łańcuch rekordów pliku opisów i jego kontynuacji");
  sub->add_option("FILE", *file, "Plik opisów (plik bazowy zbioru)")->required();
  sub->callback([run, file] { *run = [file] { return RunCheck(*file); }; });
});

}  // namespace
