// The tools of the "Narzędzia" menu drawn with native controls over the
// core's ui/Tools: the menu, the report window, the backups window and the
// offer to repair interrupted runs. The windows are modal towards their
// owner (it is disabled while one is open) but run on its message loop.
#pragma once

#include <functional>
#include <string>

#include "engine/DivisionRequest.h"
#include "platform/Env.h"
#include "platform/Win32.h"
#include "ui/Tools.h"

namespace win {

// The popup menu under `button`; runs the tool chosen. `entries` gives the
// main window's entries when a tool needs them.
void ShowToolsMenu(HWND owner, HWND button, const std::function<engine::RequestEntries()>& entries,
                   platform::Env* env);

// When the chosen folder holds interrupted runs: the offer, the repair and
// its report.
void OfferRecovery(HWND owner, const std::string& folder, platform::Env* env);

// For the owner's message loop: the dialog keys (Tab, Enter, Esc) of a
// tool window; true when msg was one and was handled.
bool IsToolDialogMessage(MSG* msg);

// Runs one tool; returns the window it opened, or null when none was.
HWND RunTool(ui::Tool tool, HWND owner, const engine::RequestEntries& entries, platform::Env* env);
// A report: read-only selectable text, "Kopiuj" and "Zamknij".
HWND ShowReportWindow(HWND owner, const ui::ToolReport& report);
// The backups of a folder, newest first, with "Przywróć".
HWND ShowBackupsWindow(HWND owner, const std::string& folder, platform::Env* env);
// The same as OfferRecovery, returning the report window or null.
HWND OfferRecoveryWindow(HWND owner, const std::string& folder, platform::Env* env);

// Control ids of the tool windows.
enum ToolControl : int {
  kToolText = 300,  // the report's text
  kToolList,        // the backups' list
  kToolLabel,       // the backups' folder
  kToolCopy,        // "Kopiuj"
  kToolRestore,     // "Przywróć"
  kToolClose,       // "Zamknij"
};

}  // namespace win
