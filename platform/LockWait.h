// Waiting for the lock byte of a description file that another program
// holds. The store waits for the byte without a limit; the tools and the
// main window's size probe go through this Env instead, which waits at
// most a given time, tells a listener when the wait has gone on for a
// while (so the user learns why nothing happens) and then gives up with
// Busy, the files untouched.
#pragma once

#include <cstdint>
#include <string>

#include "platform/EnvWrapper.h"

namespace platform {

class LockWaitListener {
 public:
  virtual ~LockWaitListener() = default;
  // The byte has been held by somebody else for the notice time.
  virtual void Waiting(const std::string& path) = 0;
  // The wait that Waiting announced is over (granted or given up).
  virtual void WaitEnded() {}
};

// The notice of the tools and of the window.
inline constexpr char kMsgLockWaiting[] =
    "Plik opisów jest zablokowany przez inny program, czekam…";

class LockWaitEnv : public EnvWrapper {
 public:
  // timeout_ms: the longest wait for one lock; notice_ms: how long a wait
  // goes on before the listener (may be null) hears of it.
  LockWaitEnv(Env* target, int64_t timeout_ms, LockWaitListener* listener,
              int64_t notice_ms = 2000);

  Status OpenFile(const std::string& path, OpenMode mode, std::unique_ptr<File>* result) override;

  // Whether some lock was given up because the time ran out.
  bool TimedOut() const { return timed_out_; }
  int64_t TimeoutMs() const { return timeout_ms_; }

 private:
  friend class LockWaitFile;
  int64_t timeout_ms_;
  int64_t notice_ms_;
  LockWaitListener* listener_;
  bool timed_out_ = false;
};

}  // namespace platform
