#include "win/editor/EditorWindow.h"

namespace win {

void OpenTextEditor(HWND owner, const std::string& path, bool fixed_font) {
  (void)owner;
  (void)path;
  (void)fixed_font;
}

}  // namespace win
