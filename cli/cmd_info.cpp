// podzial-cli info FILE: the header of a description file and its files.
#include <iomanip>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/StoreText.h"
#include "store/Checker.h"

namespace {

int RunInfo(const std::string& file) {
  store::CheckReport r;
  std::string error;
  if (!store::ReadSetInfo(platform::Env::Default(), file, &r, &error)) {
    std::cerr << "Błąd: " << file << ": " << error << "\n";
    return cli::kExitFailure;
  }
  const store::FileHeader& h = r.Header;
  int64_t limit = static_cast<int64_t>(h.MaxSize) * store::kKilobyte;
  std::cout << "Znacznik: " << h.TagText() << "\n";
  std::cout << "Długość nagłówka: " << h.HeaderLength << "\n";
  std::cout << "Limit rozmiaru: " << h.MaxSize << " KB (" << limit << " B, "
            << (limit + 524288) / 1048576 << " MB)\n";
  std::cout << "Bieżący plik: " << h.CurrentFile << "\n";
  std::cout << "Klasy bloków: " << h.ClassCount << "\n";
  for (int k = 1; k <= h.ClassCount; ++k) {
    const auto& c = h.Class(k);
    std::cout << "  " << k << ": blok " << c.BlockSize << " B, pojemność " << c.Capacity
              << " B, wolne od: " << c.FreeHead << "\n";
  }
  std::cout << "Pliki zbioru:\n";
  for (const auto& f : r.Files) std::cout << "  " << f.Name << "  " << f.Size << " B\n";
  return cli::kExitOk;
}

cli::AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto file = std::make_shared<std::string>();
  CLI::App* sub = app.add_subcommand("info", "Pokazuje nagłówek pliku opisów i pliki jego zbioru");
  sub->add_option("FILE", *file, "Plik opisów")->required();
  sub->callback([run, file] { *run = [file] { return RunInfo(*file); }; });
});

}  // namespace
