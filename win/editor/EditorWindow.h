// The text editor window drawn with native controls: a rich edit over the
// editor's core (ui/EditorModel, ui/TextSearch), which makes every decision.
#pragma once

#include <string>

#include "platform/Win32.h"

namespace win {

// Opens the file in a modeless editor beside `owner`, closed with it.
// fixed_font: a fixed-pitch font instead of the message font.
void OpenTextEditor(HWND owner, const std::string& path, bool fixed_font);

}  // namespace win
