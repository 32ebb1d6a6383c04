// Wildcard matching and comparison of file names, ignoring letter case as
// Windows does: ASCII letters and, in UTF-8 names, the accented letters of
// Latin-1 and Latin Extended-A (so Polish "DZIAŁKI.DBF" equals
// "działki.dbf"). A name is compared character by character, not byte by
// byte, so '?' stands for one letter even when it takes two bytes.
#include "platform/Env.h"

namespace platform {
namespace {

// Bytes that do not form valid UTF-8 are kept one each, above every code
// point, so that they still compare equal only to themselves.
constexpr char32_t kRawByte = 0x110000;

std::u32string Decode(const std::string& s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t extra = b >= 0xF0 && b < 0xF5   ? 3
                         : b >= 0xE0 && b < 0xF0 ? 2
                         : b >= 0xC2 && b < 0xE0 ? 1
                                                 : 0;
    char32_t c = b & (0x3F >> extra);
    bool valid = b < 0x80 || (extra > 0 && i + extra < s.size());
    for (size_t k = 1; valid && k <= extra; ++k) {
      const auto n = static_cast<unsigned char>(s[i + k]);
      valid = (n & 0xC0) == 0x80;
      c = (c << 6) | (n & 0x3F);
    }
    if (!valid) {
      out.push_back(kRawByte + b);
      ++i;
      continue;
    }
    out.push_back(b < 0x80 ? char32_t(b) : c);
    i += extra + 1;
  }
  return out;
}

// The lower-case form of a letter of ASCII, Latin-1 or Latin Extended-A.
char32_t Fold(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  // Latin Extended-A pairs upper and lower case as neighbours: even upper
  // in 0100..0137 and 014A..0177, odd upper in 0139..0148 and 0179..017E.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c == 0x178) return 0xFF;  // Ÿ
  return c;
}

std::u32string Folded(const std::string& s) {
  std::u32string u = Decode(s);
  for (char32_t& c : u) c = Fold(c);
  return u;
}

bool Match(const char32_t* p, const char32_t* n) {
  // Iterative matcher with one backtrack point for the last '*'.
  const char32_t* star = nullptr;
  const char32_t* resume = nullptr;
  while (*n) {
    if (*p == '*') {
      star = p++;
      resume = n;
    } else if (*p == '?' || (*p && *p == *n)) {
      ++p;
      ++n;
    } else if (star) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  return *p == 0;
}

}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return Folded(a) == Folded(b);
}

bool MatchPattern(const std::string& pattern, const std::string& name) {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  const std::u32string p = Folded(pattern);
  const std::u32string n = Folded(name);
  // "stem.*" also admits "stem" without extension, as on Windows.
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, U".*") == 0 &&
      Match(p.substr(0, p.size() - 2).c_str(), n.c_str())) {
    return true;
  }
  return Match(p.c_str(), n.c_str());
}

}  // namespace platform
