// What the Win32 windows are built of: design units at 120 pixels per inch
// scaled to the window's DPI, the dialog font, the standard error box, and
// the two controls of their own (the integer edit and the path picker),
// which only carry their rules (ui/IntRule, ui/PickerRule) to native
// controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/OpenDialog.h"
#include "ui/IntRule.h"
#include "win/editor/Common.h"  // Guarded: the standard error display

namespace win {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string Text(HWND control);
void SetText(HWND control, const std::string& utf8);

// The DPI the window is drawn at (the editor's Scaled takes the screen's).
int WindowDpi(HWND window);
// Design units at 120 pixels per inch in pixels at `dpi`.
inline int Du(int design_units, int dpi) {
  return MulDiv(design_units, dpi, 120);
}

// "MS Sans Serif" where the system has it, else the system's message font,
// `height` design units high. The caller deletes it.
HFONT DialogFont(int dpi, int height = 13);

// A child control at a place in design units, with the parent's font.
HWND MakeControl(HWND parent, const wchar_t* window_class, const std::string& text, DWORD style,
                 int id, int left, int top, int width, int height, int dpi, HFONT font,
                 DWORD ex_style = 0);
// The fonts the labels below a window made for themselves, taken from
// them; the window deletes them after it is destroyed.
inline constexpr wchar_t kOwnedFontProp[] = L"podzial.font";
std::vector<HFONT> OwnedFonts(HWND window);

// A label as wide as its text, but no wider than `right_limit` design
// units from the parent's left: where the font is wider than the layout's,
// the text is drawn narrower to fit.
HWND MakeLabel(HWND parent, const std::string& text, int left, int top, int dpi, HFONT font,
               int right_limit = 0);

// The size boxes: an edit with an up-down buddy. Every new text goes
// through IntRule; a rejected one is answered with its message and put
// back.
class IntEdit {
 public:
  void Create(HWND parent, int edit_id, int left, int top, int width, int height, int dpi,
              HFONT font);
  HWND edit() const { return edit_; }
  HWND up_down() const { return up_down_; }
  void SetMax(int32_t max);
  void SetValue(int32_t value);
  // What the box reads as; a text that is no number throws.
  int32_t Value() const;
  // The edit's EN_CHANGE.
  void Changed();

 private:
  HWND edit_ = nullptr;
  HWND up_down_ = nullptr;
  ui::IntRule rule_;
  bool putting_back_ = false;
};

// A path picker without "Edytuj": its "Zmień" button opens the open dialog
// (a folder chooser in folder mode) for the path in its edit and writes
// the choice back.
class PathPicker {
 public:
  void Create(HWND parent, int button_id, HWND edit, int left, int top, int width, int height,
              int dpi, HFONT font, bool select_directory);
  HWND button() const { return button_; }
  platform::OpenDialogRequest& dialog() { return dialog_; }
  // The button's click: true when the user chose a path.
  bool Clicked();

 private:
  HWND button_ = nullptr;
  HWND edit_ = nullptr;
  bool select_directory_ = false;
  platform::OpenDialogRequest dialog_;
};

}  // namespace win
