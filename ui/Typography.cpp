// Typography check of the texts shown to the user.
#include "ui/Typography.h"

#include <cstring>

namespace ui {

std::string TypographyFault(const std::string& text) {
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (text[i - 1] != ' ') continue;
    if (std::strchr(",.:;?!", c) != nullptr) {
      // "..." after a space starts an ellipsis of its own ("Czekaj ...") and
      // is as wrong as a lone full stop.
      return "spacja przed '" + std::string(1, c) + "' w: " + text;
    }
    if (c == ' ' && i >= 2 && text[i - 2] != '\n') return "podwójna spacja w: " + text;
  }
  return {};
}

}  // namespace ui
