// Code page 1250 (East European): the single-byte encoding of the texts
// in tables and of the editor's files. The lower half is ASCII; the five
// bytes the code page leaves without a character (81, 83, 88, 90, 98 hex)
// stand for the control characters of the same value, so every byte has
// exactly one character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The character of each byte from 0x80 on.
extern const char16_t kCp1250UpperHalf[128];

// The text as UTF-8, for messages that quote a table's contents.
std::string Cp1250ToUtf8(std::string_view bytes);

}  // namespace platform
