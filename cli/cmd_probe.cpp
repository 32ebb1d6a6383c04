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
  bool json = false;
};

int RunProbe(const ProbeArgs& a) {
  ToolEnv env(a.lock_timeout);
  if (!env.get()->FileExists(a.file)) {
    return ReportError("nie ma pliku " + a.file, a.json, kExitFailure, "Błąd: ");
  }
  // The window's probe reads 0 from whatever is no description file; here
  // that is said instead of printing a limit nobody recorded.
  {
    store::tjxmemo memo(env.get());
    if (!memo.Open(a.file)) {
      if (env.ReportTimeout(a.file, a.json)) return kExitFailure;
      return ReportError("nie można odczytać pliku opisów " + a.file + ": " + memo.LastError(),
                         a.json, kExitFailure, "Błąd: ");
    }
  }
  engine::TDividerInfo info;
  info.DataFile = a.file;
  engine::TDivider divider(info, env.get());
  const int32_t mb = divider.GetMaxSize();
  if (env.ReportTimeout(a.file, a.json)) return kExitFailure;
  if (a.json) {
    std::cout
        << JsonObject().Add("status", "ok").Add("data_file", a.file).Add("max_size_mb", mb).str()
        << "\n";
  } else {
    std::cout << mb << "\n";
  }
  return kExitOk;
}

AutoRegister reg([](CLI::App& app, std::function<int()>* run) {
  auto args = std::make_shared<ProbeArgs>();
  CLI::App* sub =
      app.add_subcommand("probe", "Podaje maksymalny rozmiar zapisany w pliku opisów (MB)");
  sub->add_option("PLIK", args->file, "Plik opisów (.dat, .dan)")->required()->type_name("");
  AddLockTimeoutOption(sub, args->lock_timeout);
  sub->add_flag("--json", args->json, "Wypisz rozmiar jako obiekt JSON");
  sub->callback([args, run] { *run = [args] { return RunProbe(*args); }; });
});

}  // namespace
}  // namespace cli
