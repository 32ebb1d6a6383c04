// The rules of the path picker: what its "Zmień" button asks of the dialog
// for the path in the edit, what a confirmed choice writes back, and where
// its two buttons stand.
#pragma once

#include <string>

namespace ui {

// What the dialog is opened with.
struct PickerAsk {
  std::string file_name;     // the name proposed; empty in folder mode
  std::string initial_dir;   // empty: the dialog keeps the folder it had
  bool pick_folder = false;  // a folder chooser rather than a file dialog
};

// For the text of the edit. In folder mode the chooser opens on the folder
// in the edit itself; in file mode on the folder of the file.
PickerAsk AskFor(const std::string& edit_text, bool select_directory);

// After a confirmed choice: the new text of the edit, and the folder the
// next choice starts in.
struct PickerChoice {
  std::string edit_text;
  std::string next_initial_dir;
};
PickerChoice Chosen(const std::string& chosen, bool select_directory);

// The buttons in a picker of the given width and height: "Zmień" on the
// left half, "Edytuj" on the rest; without "Edytuj", "Zmień" fills it.
struct Box {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Box&) const = default;
};
struct PickerButtons {
  Box change;
  Box edit;
  bool edit_visible = true;
};
PickerButtons ArrangePicker(int width, int height, bool no_edit);

}  // namespace ui
