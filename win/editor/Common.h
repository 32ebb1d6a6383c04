// What the editor and the tool windows share: design units, the message
// font, UTF-8 texts on the controls, and the standard error display.
#pragma once

#include <functional>
#include <string>

#include "platform/Win32.h"

namespace win {

// A length in design units (120 pixels per inch) in pixels of the screen.
int Scaled(int units);
// The system's message font; one for the process, never freed.
HFONT MessageFont();
void SetFontOfChildren(HWND parent, HFONT font);

std::string WindowText(HWND hwnd);
void SetWindowTextUtf8(HWND hwnd, const std::string& text);
// A child control with the message font.
HWND MakeChild(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int id,
               DWORD ex_style = 0);

// Runs an event handler; an error escaping it is shown in an error box and
// the window goes on.
void Guarded(const std::function<void()>& handler);
inline constexpr char kErrorTitle[] = "Błąd";
inline constexpr char kUnknownError[] = "Nieznany błąd";

// Puts UTF-8 text on the clipboard as Unicode text.
bool CopyToClipboard(HWND owner, const std::string& text);

// Registers a window class once; returns its name.
const wchar_t* RegisterWindowClass(const wchar_t* name, WNDPROC proc);

}  // namespace win
