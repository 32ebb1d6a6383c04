// The rules of the integer edit: which texts a box for a whole number
// accepts as they are typed, what it says about the others, and what an
// accepted text reads as. A window keeps one IntRule per box, hands it every
// new text and shows the verdict.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ui {

// The decimal text of a signed 32-bit number: an optional "-" and digits,
// nothing else; nullopt when the text is not one.
std::optional<int32_t> ParseInt32(const std::string& text);

struct IntVerdict {
  bool accepted = false;
  // Rejected: the message for an error box, and the text to put back.
  std::string message;
  std::string restore;
};

// The error of reading a box whose text is no number.
std::string NotANumberMessage(const std::string& text);

class IntRule {
 public:
  // With min equal to max there is no range. Setting a bound does not test
  // the text again.
  int32_t min = 0;
  int32_t max = 0;

  // Every change of the box's text. An empty text or a lone "-" is still
  // being typed: it stands for min when 0 lies outside the range, else for
  // 0, and that substitute is what becomes the last accepted text.
  IntVerdict Check(const std::string& text);

  // What the box reads as: min when empty, nullopt when it is no number
  // (only "-" can be after the checks).
  std::optional<int32_t> Value(const std::string& text) const;

  // The text to put back after a rejected change.
  const std::string& last_text() const { return last_text_; }
  void set_last_text(std::string text) { last_text_ = std::move(text); }

 private:
  std::string last_text_;
};

}  // namespace ui
