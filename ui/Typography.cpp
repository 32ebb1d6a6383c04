// Typography check of the texts shown to the user.
#include "ui/Typography.h"

#include <cctype>
#include <cstring>

namespace ui {

std::string TypographyFault(const std::string& text) {
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (text[i - 1] != ' ' || std::strchr(",.:;?!", c) == nullptr) continue;
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    // A file's extension (".dbf") and an operator (":=") are no punctuation.
    if (c == '.' && std::isalnum(static_cast<unsigned char>(next))) continue;
    if (c == ':' && next == '=') continue;
    return "spacja przed '" + std::string(1, c) + "' w: " + text;
  }
  return {};
}

}  // namespace ui
