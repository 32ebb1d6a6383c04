// Polish typography of the texts a user reads: no space before a comma, a
// full stop, a colon, a semicolon, a question or an exclamation mark.
#pragma once

#include <string>

namespace ui {

// The first fault in `text`, described for a test's failure message; empty
// when there is none.
std::string TypographyFault(const std::string& text);

}  // namespace ui
