// The integer edit's rules.
#include "ui/IntRule.h"

namespace ui {

std::optional<int32_t> ParseInt32(const std::string& text) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  if (i == text.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    // Past the magnitude of INT32_MIN no sign can bring it back.
    if (v > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

IntVerdict IntRule::Check(const std::string& text) {
  std::string s = text;
  if (s.empty() || s == "-") s = (min > 0 || max < 0) ? std::to_string(min) : std::string("0");
  IntVerdict verdict;
  const std::optional<int32_t> v = ParseInt32(s);
  if (!v) {
    verdict.message = "Niepoprawna wartość";
  } else if (max == min || (min <= *v && *v <= max)) {
    last_text_ = s;
    verdict.accepted = true;
    return verdict;
  } else {
    verdict.message =
        "Wartość spoza przedziału " + std::to_string(min) + " - " + std::to_string(max);
  }
  verdict.restore = last_text_;
  return verdict;
}

std::optional<int32_t> IntRule::Value(const std::string& text) const {
  if (text.empty()) return min;
  return ParseInt32(text);
}

std::string NotANumberMessage(const std::string& text) {
  return "'" + text + "' nie jest poprawną liczbą całkowitą";
}

}  // namespace ui
