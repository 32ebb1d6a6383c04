#include "platform/Win32.h"

#include "platform/Interrupt.h"

namespace platform {
namespace {

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      RequestInterrupt();
      return TRUE;
    case CTRL_CLOSE_EVENT:
      // The system ends the process a few seconds after this returns,
      // whatever it answers: wait for that time, so that a division can
      // notice the request, stop between rows and clean up first.
      RequestInterrupt();
      Sleep(4000);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void InstallInterruptHandlers() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace platform
