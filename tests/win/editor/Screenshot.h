// What the window tests share: a window's picture saved for a person to
// look at, and the text of a control.
#pragma once

#include <string>

#include "platform/Win32.h"

namespace win_test {

// Saves what `hwnd` draws as screenshots/<name>.bmp in the build folder.
// False when the window could not be drawn or the file not written.
bool Screenshot(HWND hwnd, const std::string& name);

// The control's text, "\r\n" read as "\n".
std::string ControlText(HWND control);

}  // namespace win_test
