// The text editor window drawn with native controls: a rich edit over the
// editor's core (ui/EditorModel, ui/TextSearch), which makes every decision.
#pragma once

#include <string>

#include "platform/Win32.h"

namespace win {

// Opens the file in a modeless editor beside `owner`, closed with it.
// fixed_font: "Courier New" instead of the message font.
void OpenTextEditor(HWND owner, const std::string& path, bool fixed_font);
// The same, returning the editor window.
HWND OpenTextEditorWindow(HWND owner, const std::string& path, bool fixed_font);

// Asks every editor owned by `owner` to close, each putting its question
// about unsaved text; false when one of them stays open. The owner calls
// it before it closes, since an owned window is destroyed without asking.
bool CloseTextEditors(HWND owner);

// For the owner's message loop: true when msg belonged to an editor's
// find or replace dialog, which then handled it.
bool IsEditorDialogMessage(MSG* msg);

// The editor's commands (WM_COMMAND) and its editing control's id.
enum EditorCommand : int {
  kEditorText = 100,    // the rich edit
  kEditorSize = 101,    // the font size's edit
  kEditorUpDown = 102,  // its arrows
  kCmdSave = 200,       // "Zachowaj"
  kCmdCancel,           // "Anuluj"
  kCmdCut,              // "Wytnij"
  kCmdCopy,             // "Kopiuj"
  kCmdPaste,            // "Wklej"
  kCmdPrint,            // "Drukuj"
  kCmdFind,             // "Szukaj tekstu"
  kCmdReplace,          // "Szukaj i zamień tekst"
};

// The find and replace dialogs an editor has open (null when closed).
HWND EditorFindDialog(HWND editor);
HWND EditorReplaceDialog(HWND editor);
// The editing font's size in points.
int EditorFontSize(HWND editor);

}  // namespace win
