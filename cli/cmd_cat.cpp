// podzial-cli cat FILE ADDRESS [--raw]: writes one record to stdout.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "store/jxmemo.h"

namespace {

struct CatArgs {
  std::string file;
  std::string address;
  bool raw = false;
};

int RunCat(const CatArgs& a) {
  size_t used = 0;
  unsigned long value = 0;
  try {
    value = std::stoul(a.address, &used, 16);
  } catch (const std::exception&) {
    used = 0;
  }
  if (a.address.empty() || used != a.address.size() || value == 0 || value > 0x7FFFFFFFul) {
    std::cerr << "Błąd: nieprawidłowy adres (oczekiwane cyfry szesnastkowe): " << a.address << "\n";
    return cli::kExitUsage;
  }
  store::tjxmemo memo;
  if (!memo.Open(a.file)) {
    std::cerr << "Nie udało się otworzyć pliku: " << a.file << " (" << memo.LastError() << ")\n";
    return cli::kExitFailure;
  }
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  if (!memo.ReadRecord(size, static_cast<int32_t>(value), data, !a.raw, plain)) {
    std::cerr << "Nie udało się odczytać rekordu: " << memo.LastError() << "\n";
    return cli::kExitFailure;
  }
  if (size > 0 &&
      std::fwrite(data, 1, static_cast<size_t>(size), stdout) != static_cast<size_t>(size)) {
    std::cerr << "Błąd zapisu na wyjście\n";
    return cli::kExitFailure;
  }
  std::fflush(stdout);
  return cli::kExitOk;
}

cli::AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto args = std::make_shared<CatArgs>();
  CLI::App* sub = app.add_subcommand("cat", "Wypisuje rekord spod adresu na standardowe wyjście");
  sub->add_option("FILE", args->file, "Plik opisów")->required();
  sub->add_option("ADDRESS", args->address, "Adres rekordu (szesnastkowo)")->required();
  sub->add_flag("--raw", args->raw, "Bajty tak, jak są zapisane (bez rozpakowania)");
  sub->callback([run, args] { *run = [args] { return RunCat(*args); }; });
});

}  // namespace
