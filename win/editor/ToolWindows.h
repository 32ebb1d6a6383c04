// The tools of the "Narzędzia" menu drawn with native controls over the
// core's ui/Tools: the menu, the report window, the backups window and the
// offer to repair interrupted runs.
#pragma once

#include <functional>
#include <string>

#include "engine/DivisionRequest.h"
#include "platform/Env.h"
#include "platform/Win32.h"

namespace win {

// The popup menu under `button`; runs the tool chosen. `entries` gives the
// main window's entries when a tool needs them.
void ShowToolsMenu(HWND owner, HWND button, const std::function<engine::RequestEntries()>& entries,
                   platform::Env* env);

// When the chosen folder holds interrupted runs: the offer, the repair and
// its report.
void OfferRecovery(HWND owner, const std::string& folder, platform::Env* env);

}  // namespace win
