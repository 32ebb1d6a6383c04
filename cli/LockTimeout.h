// The wait of the file tools for a description file whose lock byte another
// program holds: a notice on stderr after two seconds, and after
// --lock-timeout seconds the tool gives up with exit code 1, having changed
// nothing.
#pragma once

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>

#include "cli/Json.h"
#include "cli/Polish.h"
#include "platform/LockWait.h"
#include "store/jxmemo.h"

namespace cli {

inline constexpr int kDefaultLockTimeout = 300;

inline void AddLockTimeoutOption(CLI::App* sub, int& seconds) {
  sub->add_option("--lock-timeout", seconds,
                  "Jak długo czekać (w sekundach) na plik opisów zablokowany przez inny "
                  "program; domyślnie 300")
      ->type_name("SEKUNDY")
      ->check(IntegerIn(0, 86400));
}

class TerminalLockNotice : public platform::LockWaitListener {
 public:
  void Waiting(const std::string&) override { std::cerr << platform::kMsgLockWaiting << "\n"; }
};

// Env of one tool run: the system's, with the timed lock wait.
class ToolEnv {
 public:
  explicit ToolEnv(int seconds)
      : env_(platform::Env::Default(), static_cast<int64_t>(seconds) * 1000, &notice_) {}
  platform::Env* get() { return &env_; }

  // After a failure: true (and the message printed, with `json` also as
  // the error object) when the lock wait ran out.
  bool ReportTimeout(const std::string& file, bool json = false) const {
    if (!env_.TimedOut()) return false;
    ReportError("Plik opisów " + file +
                    " jest nadal zablokowany przez inny program; przerwano po " +
                    std::to_string(env_.TimeoutMs() / 1000) + " s. Pliki nie zostały zmienione.",
                json);
    return true;
  }

  // Opens a description file for a tool; when that fails, says why (the
  // wait ran out, or the store's reason) and returns false.
  bool OpenStore(store::tjxmemo& memo, const std::string& file) const {
    if (memo.Open(file)) return true;
    if (!ReportTimeout(file)) {
      std::cerr << "Nie udało się otworzyć pliku: " << file << " (" << memo.LastError() << ")\n";
    }
    return false;
  }

 private:
  TerminalLockNotice notice_;
  platform::LockWaitEnv env_;
};

}  // namespace cli
