// What the division does with one row, decided in one place from the row's
// address text and, where rows with the "ID" marker are left alone, its
// "ID" text. The row loop, the read-ahead, the scan of the address field,
// the check that the description file fits the table and the dry run all
// ask here, so that they agree by construction.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// The "ID" text of a row whose record must stay where it is.
inline const std::string kMarker(5, '\xFF');
// An address is written as eight hexadecimal digits.
inline constexpr int kAddressWidth = 8;

enum class RowKind {
  kEmpty,       // no address: the row stays as it is
  kMarker,      // the "ID" marker: the row stays as it is, its record is not copied
  kNotAddress,  // a text that is no address: the reference is cleared and listed
  kZero,        // address 0: no record, the row gets eight zeros
  kRecord,      // an address: its record is copied and the row gets the new one
};

// Whether a text could be an address: hexadecimal digits and blanks only.
// Anything else (a name, a date) is not one, whatever HexToInt makes of it.
bool IsAddressText(const std::string& text);

// id_text: the row's "ID" text, or null when marker rows are not skipped.
RowKind ClassifyRow(const std::string& address_text, const std::string* id_text);

// The address a marker row keeps, when its text is one (0 otherwise): the
// old set's record there has no other copy after the division.
int32_t MarkerAddress(const std::string& address_text);

}  // namespace engine
