// dBASE key and filter expressions of index tags, as far as we can compute
// them exactly: field names (also ALIAS->FIELD), string and number
// literals, + and - on character values, UPPER, LOWER, SUBSTR, LEFT, RIGHT,
// STR, DTOS, TRIM, RTRIM, LTRIM, ALLTRIM, DELETED(), comparisons, .NOT.,
// .AND., .OR. Whatever is not understood fails to parse; a value that
// cannot be reproduced byte for byte (UPPER of a byte above 0x7F, rounding
// in STR, an unknown date) makes Evaluate fail, so the caller refuses
// rather than guesses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dbase/Table.h"

namespace dbase {

struct Value {
  char type = 'C';       // C, N, D or L
  std::string text;      // C: the bytes; N: the number as decimal text
  double number = 0;     // N
  double julian = 0;     // D: Julian day number, 0 when blank
  bool blank = false;    // D: no date; N: blank field
  bool logical = false;  // L
};

class Expression {
 public:
  Expression();
  ~Expression();
  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;

  // Parses `text` against the table's fields. On failure returns false and
  // puts a short Polish reason into *error.
  bool Parse(const std::string& text, const std::vector<FieldDef>& fields, std::string* error);

  char Type() const;  // C N D L
  int Width() const;  // C: the result's length (keys are padded to it)
  bool UsesField(int field) const;
  bool IsSingleField() const;
  // The field a single-field expression names, else -1.
  int SingleField() const;

  // Evaluates on one record image (deletion flag first). False when the
  // value cannot be reproduced exactly.
  bool Evaluate(const uint8_t* record, Value* out) const;

  struct Node;

 private:
  std::unique_ptr<Node> root_;
  std::vector<FieldDef> fields_;
};

// Julian day number of a calendar date; false for an impossible date.
bool DateToJulian(int y, int m, int d, double* julian);

}  // namespace dbase
