// podzial-cli probe: the size limit recorded in a description file, in MB,
// as the main window proposes it.
#include <iostream>

#include "cli/Command.h"
#include "cli/LockTimeout.h"
#include "engine/Divider.h"
#include "store/jxmemo.h"

namespace cli {
namespace {

struct ProbeArgs {
  std::string file;
  int lock_timeout = kDefaultLockTimeout;
};

int RunProbe(const ProbeArgs& a) {
  ToolEnv env(a.lock_timeout);
  if (!env.get()->FileExists(a.file)) {
    std::cerr << "Błąd: nie ma pliku " << a.file << "\n";
    return kExitFailure;
  }
  // The window's probe reads 0 from whatever is no description file; here
  // that is said instead of printing a limit nobody recorded.
  {
    store::tjxmemo memo(env.get());
    if (!memo.Open(a.file)) {
      if (env.ReportTimeout(a.file)) return kExitFailure;
      std::cerr << "Błąd: nie można odczytać pliku opisów " << a.file << ": " << memo.LastError()
                << "\n";
      return kExitFailure;
    }
  }
  engine::TDividerInfo info;
  info.DataFile = a.file;
  engine::TDivider divider(info, env.get());
  const int32_t mb = divider.GetMaxSize();
  if (env.ReportTimeout(a.file)) return kExitFailure;
  std::cout << mb << "\n";
  return kExitOk;
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto args = std::make_shared<ProbeArgs>();
  CLI::App* sub =
      app.add_subcommand("probe", "Podaje maksymalny rozmiar zapisany w pliku opisów (MB)");
  sub->add_option("PLIK", args->file, "Plik opisów (.dat, .dan)")->required()->type_name("");
  AddLockTimeoutOption(sub, args->lock_timeout);
  sub->callback([args, run] { *run = [args] { return RunProbe(*args); }; });
});

}  // namespace
}  // namespace cli
