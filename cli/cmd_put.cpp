// podzial-cli put FILE [INPUT]: appends a record and prints its address.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

#include "cli/Command.h"
#include "cli/LockTimeout.h"
#include "cli/StoreText.h"
#include "platform/Console.h"
#include "store/jxmemo.h"

namespace {

struct PutArgs {
  std::string file;
  std::string input;
  int lock_timeout = cli::kDefaultLockTimeout;
};

int RunPut(const PutArgs& a) {
  std::vector<char> bytes;
  if (a.input.empty() || a.input == "-") {
    platform::SetBinaryMode(platform::StdStream::kIn);
    std::cin >> std::noskipws;
    bytes.assign(std::istreambuf_iterator<char>(std::cin), {});
  } else {
    std::ifstream in(a.input, std::ios::binary);
    if (!in) {
      std::cerr << "Nie udało się otworzyć pliku: " << a.input << "\n";
      return cli::kExitFailure;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (bytes.empty()) {
    std::cerr << "Błąd: pusty rekord nie jest zapisywany\n";
    return cli::kExitFailure;
  }
  if (bytes.size() > 0x7FFFFFFFu) {
    std::cerr << "Błąd: rekord jest za duży\n";
    return cli::kExitFailure;
  }
  cli::ToolEnv env(a.lock_timeout);
  store::tjxmemo memo(env.get());
  if (!env.OpenStore(memo, a.file)) return cli::kExitFailure;
  int32_t address = 0;
  if (!memo.WriteRecord(static_cast<int32_t>(bytes.size()), address,
                        reinterpret_cast<const uint8_t*>(bytes.data()), 0)) {
    if (env.ReportTimeout(a.file)) return cli::kExitFailure;
    std::cerr << "Błąd podczas zapisu danych: " << memo.LastError() << "\n";
    return cli::kExitFailure;
  }
  std::cout << cli::HexAddress(address) << "\n";
  return memo.CloseAll() ? cli::kExitOk : cli::kExitFailure;
}

cli::AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto args = std::make_shared<PutArgs>();
  CLI::App* sub =
      app.add_subcommand("put", "Dopisuje bajty pliku (lub wejścia) jako rekord i podaje adres");
  sub->add_option("PLIK", args->file, "Plik opisów")->required()->type_name("");
  sub->add_option("DANE", args->input, "Plik z danymi rekordu (domyślnie standardowe wejście)")
      ->type_name("");
  cli::AddLockTimeoutOption(sub, args->lock_timeout);
  sub->callback([run, args] { *run = [args] { return RunPut(*args); }; });
});

}  // namespace
