// A request to stop the running division: Ctrl+C or a termination signal
// from the system, or the main window closed during a run. The division
// looks at it between rows and before its commit; once the commit has
// begun it runs to the end, so that the files are never left half moved.
#pragma once

namespace platform {

// Lets SIGINT and SIGTERM (Windows: Ctrl+C, Ctrl+Break, closing the
// console) set the request instead of ending the process.
void InstallInterruptHandlers();

bool InterruptRequested();
void RequestInterrupt();
void ClearInterrupt();

}  // namespace platform
