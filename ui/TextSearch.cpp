// Forward search and replace all over UTF-8 text.
#include "ui/TextSearch.h"

#include <algorithm>
#include <vector>

namespace ui {

namespace {

// A text as characters, with the byte where each begins (and its end).
struct Chars {
  std::u32string c;
  std::vector<size_t> at;

  explicit Chars(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
      const auto b = static_cast<unsigned char>(s[i]);
      const int n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
      char32_t v = n == 1 ? b : b & (0x3F >> (n - 1));
      size_t k = 1;
      for (; k < static_cast<size_t>(n) && i + k < s.size(); ++k)
        v = (v << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
      at.push_back(i);
      c.push_back(v);
      i += k;
    }
    at.push_back(s.size());
  }
  // The character index of a byte position (the next character when the
  // position falls inside one).
  size_t IndexOf(size_t byte) const {
    size_t lo = 0, hi = c.size();
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      if (at[mid] < byte) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return lo;
  }
};

char32_t Fold(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0x80) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

bool IsWordChar(char32_t c) {
  if (c < 0x80) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
  }
  // Letters of the Latin, Greek and Cyrillic blocks, and the superscript
  // and fraction digits code page 1252 neighbours share.
  if (c == 0xAA || c == 0xB2 || c == 0xB3 || c == 0xB5 || c == 0xB9 || c == 0xBA) return true;
  if (c >= 0xBC && c <= 0xBE) return true;
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  if (c >= 0x370 && c <= 0x52F) return c != 0x37E && c != 0x387 && !(c >= 0x482 && c <= 0x489);
  return false;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The search in characters: matches that end at or before `limit`;
// before(p) gives the character in front of a match at p (0: none).
template <class Before>
size_t Find(const std::u32string& text, size_t start, size_t limit, const std::u32string& what,
            SearchOptions options, Before before) {
  if (what.empty() || start > text.size()) return kNotFound;
  const auto same = [&](char32_t a, char32_t b) {
    return options.match_case ? a == b : Fold(a) == Fold(b);
  };
  for (size_t p = start; p + what.size() <= limit && p + what.size() <= text.size(); ++p) {
    size_t k = 0;
    while (k < what.size() && same(text[p + k], what[k])) ++k;
    if (k < what.size()) continue;
    if (!options.whole_word) return p;
    const char32_t b = before(p);
    const size_t end = p + what.size();
    if ((b == 0 || !IsWordChar(b)) && (end >= text.size() || !IsWordChar(text[end]))) return p;
  }
  return kNotFound;
}

struct CharResult {
  size_t count = 0, from = 0, to = 0;
  std::u32string replacement;
};

CharResult RangeInChars(const std::u32string& text, size_t start, size_t limit,
                        const std::u32string& what, const std::u32string& with,
                        SearchOptions options) {
  CharResult r;
  r.from = r.to = start;
  size_t done = start;  // end of the last match; the text from here on is unchanged
  // In front of a match right after a replacement stands what the
  // replacements left there, not the original character.
  auto before = [&](size_t p) -> char32_t {
    if (r.count > 0 && p == done) {
      if (!r.replacement.empty()) return r.replacement.back();
      return r.from > 0 ? text[r.from - 1] : 0;
    }
    return p > 0 ? text[p - 1] : 0;
  };
  for (;;) {
    const size_t p = Find(text, done, limit, what, options, before);
    if (p == kNotFound) break;
    if (r.count == 0) {
      r.from = p;
    } else {
      r.replacement += text.substr(done, p - done);
    }
    r.replacement += with;
    done = p + what.size();
    ++r.count;
  }
  r.to = r.count > 0 ? done : r.from;
  return r;
}

ReplaceResult InBytes(const Chars& text, const CharResult& r) {
  ReplaceResult out;
  out.count = r.count;
  out.from = text.at[r.from];
  out.to = text.at[r.to];
  for (char32_t c : r.replacement) AppendUtf8(out.replacement, c);
  return out;
}

}  // namespace

size_t FindForward(std::string_view text, size_t start, std::string_view what,
                   SearchOptions options) {
  if (start > text.size()) return kNotFound;
  const Chars t(text);
  const Chars w(what);
  const size_t p = Find(t.c, t.IndexOf(start), t.c.size(), w.c, options,
                        [&](size_t i) { return i > 0 ? t.c[i - 1] : char32_t{0}; });
  return p == kNotFound ? kNotFound : t.at[p];
}

ReplaceResult ReplaceRange(std::string_view text, size_t start, size_t limit, std::string_view what,
                           std::string_view with, SearchOptions options) {
  const Chars t(text);
  if (start > text.size()) return {0, start, start, {}};
  return InBytes(t, RangeInChars(t.c, t.IndexOf(start), t.IndexOf(std::min(limit, text.size())),
                                 Chars(what).c, Chars(with).c, options));
}

ReplaceResult ReplaceAll(std::string_view text, size_t start, std::string_view what,
                         std::string_view with, SearchOptions options) {
  const Chars t(text);
  if (start > text.size()) return {0, start, start, {}};
  const std::u32string w = Chars(what).c, r = Chars(with).c;
  const CharResult tail = RangeInChars(t.c, t.IndexOf(start), t.c.size(), w, r, options);
  if (tail.count == 0) return InBytes(t, tail);
  // Then the part in front of the first match, seen with the tail already
  // replaced, so that a whole word is judged by its new neighbour.
  const std::u32string changed = t.c.substr(0, tail.from) + tail.replacement + t.c.substr(tail.to);
  const CharResult head = RangeInChars(changed, 0, tail.from, w, r, options);
  if (head.count == 0) return InBytes(t, tail);
  CharResult all;
  all.count = head.count + tail.count;
  all.from = head.from;
  all.to = tail.to;
  all.replacement = head.replacement + t.c.substr(head.to, tail.from - head.to) + tail.replacement;
  return InBytes(t, all);
}

}  // namespace ui
