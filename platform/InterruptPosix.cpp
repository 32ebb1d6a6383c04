#include <signal.h>

#include <cstring>

#include "platform/Interrupt.h"

namespace platform {
namespace {

extern "C" void OnInterruptSignal(int) {
  RequestInterrupt();
}

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnInterruptSignal;
  sigemptyset(&sa.sa_mask);
  // Reads and writes that a signal interrupts are restarted; the division
  // notices the request at its next row.
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace platform
