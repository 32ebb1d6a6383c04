// podzial-cli cat FILE ADDRESS [--raw]: writes one record to stdout.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Command.h"
#include "cli/LockTimeout.h"
#include "cli/StoreText.h"
#include "store/jxmemo.h"

namespace {

struct CatArgs {
  std::string file;
  std::string address;
  bool raw = false;
  int lock_timeout = cli::kDefaultLockTimeout;
};

// The address as typed, checked: hexadecimal digits of a positive signed
// 32-bit number. Prints why not and returns 0 when it is no such address.
int32_t ParseAddress(const std::string& text) {
  const bool hex =
      !text.empty() && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
  if (!hex) {
    std::cerr << "Błąd: nieprawidłowy adres „" << text
              << "” (oczekiwane cyfry szesnastkowe, np. 0000002A)\n";
    return 0;
  }
  const size_t first = std::min(text.find_first_not_of('0'), text.size());
  const std::string digits = text.substr(first);
  const unsigned long long value =
      digits.empty() ? 0 : std::stoull(digits.substr(0, 9), nullptr, 16);
  if (digits.size() > 8 || value > 0x7FFFFFFFull) {
    std::cerr << "Błąd: adres " << (digits.size() > 8 ? text : cli::HexAddress(int32_t(value)))
              << " jest poza zakresem adresów (od 00000001 do 7FFFFFFF)\n";
    return 0;
  }
  if (value == 0) {
    std::cerr << "Błąd: adres 00000000 nie wskazuje żadnego rekordu\n";
    return 0;
  }
  return static_cast<int32_t>(value);
}

int RunCat(const CatArgs& a) {
  const int32_t address = ParseAddress(a.address);
  if (address == 0) return cli::kExitUsage;
  cli::ToolEnv env(a.lock_timeout);
  store::tjxmemo memo(env.get());
  if (!env.OpenStore(memo, a.file)) return cli::kExitFailure;
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  if (!memo.ReadRecord(size, address, data, !a.raw, plain)) {
    if (env.ReportTimeout(a.file)) return cli::kExitFailure;
    std::cerr << "Nie udało się odczytać rekordu spod adresu " << cli::HexAddress(address) << ": "
              << memo.LastError() << "\n";
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
  sub->add_option("PLIK", args->file, "Plik opisów")->required()->type_name("");
  sub->add_option("ADRES", args->address, "Adres rekordu: cyfry szesnastkowe, np. 0000002A")
      ->required()
      ->type_name("");
  sub->add_flag("--raw", args->raw, "Bajty tak, jak są zapisane (bez rozpakowania)");
  cli::AddLockTimeoutOption(sub, args->lock_timeout);
  sub->callback([run, args] { *run = [args] { return RunCat(*args); }; });
});

}  // namespace
