// Keys of one index tag computed from table rows, and the tag's order.
// Whatever cannot be reproduced byte for byte is refused, never guessed:
// an expression we do not understand, a key length that does not match,
// character keys under a language driver whose order is not known to us
// unless they hold only blanks, digits and capital letters (whose order
// every driver keeps), bytes a driver's weight table leaves unordered,
// numbers whose key style the tag does not show, blank dates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbase/Collation.h"
#include "dbase/Expr.h"
#include "dbase/Mdx.h"

namespace dbase {

// Styles of the length byte (byte 1) of 12-byte numeric keys met in files.
enum class NumericStyle {
  kHalfBytes,   // ((digits+1)/2)*8+1, the engine's own
  kDigitCount,  // digits<<2|1, trailing zeros never counted
  kDigitsKept,  // digits<<2|1, an integer's trailing zeros counted
  kConstant,    // one fixed byte for every key
};

// The 12-byte packed-decimal key of a number given as decimal text; false
// for numbers the encoding cannot hold.
bool EncodeNumericKey(const std::string& text, NumericStyle style, uint8_t constant, uint8_t* key);
// Order of two numeric keys by value (the length byte is ignored).
int CompareNumericKeys(const uint8_t* a, const uint8_t* b);

class TagKeys {
 public:
  // Parses the key and filter expressions and checks that they give the
  // tag's key type and length. False with a Polish reason otherwise.
  bool Init(const MdxTag& tag, const std::vector<FieldDef>& fields, uint8_t language_driver,
            std::string* error);
  bool UsesField(int field) const;
  // *covered = the row passes the FOR filter; `key` gets key_length bytes.
  // False (with a reason) when the key cannot be reproduced exactly.
  bool Make(const uint8_t* record, bool* covered, uint8_t* key, std::string* why) const;
  // Tag order of two keys (descending tags reversed); equal keys go by
  // record number, which the caller compares.
  int Compare(const uint8_t* a, const uint8_t* b) const;
  void SetNumericStyle(NumericStyle style, uint8_t constant) {
    style_ = style;
    constant_ = constant;
  }
  const MdxTag& tag() const { return tag_; }

  // Sorts rows into index order. `keys` holds one key per row (row r at
  // (r-1)*key_length), `covered` one flag per row. Unique tags keep one
  // row per key: the first of `preferred` rows with that key, else the
  // lowest record number.
  void Order(const std::vector<uint8_t>& keys, const std::vector<uint8_t>& covered,
             const std::vector<uint8_t>* preferred, TagEntries* out) const;

 private:
  // Whether the driver orders every byte of the key in a known way.
  bool OrderKnown(const uint8_t* key, std::string* why) const;

  MdxTag tag_;
  Expression key_;
  Expression filter_;
  bool has_filter_ = false;
  const Collation* collation_ = nullptr;
  int plain_field_offset_ = -1;  // a bare C field: its key is its bytes
  NumericStyle style_ = NumericStyle::kHalfBytes;
  uint8_t constant_ = 0;
};

}  // namespace dbase
