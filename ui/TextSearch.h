// The editor's forward search and its replace all, over UTF-8 text with
// positions in bytes. Whole words and letter case are judged by character:
// letters, digits and "_" make words; case is folded for the Latin, Greek
// and Cyrillic letters (every letter code page 1250 can hold among them).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ui {

inline constexpr size_t kNotFound = std::string::npos;

struct SearchOptions {
  bool match_case = false;
  bool whole_word = false;
};

// The first match of `what` in `text` at or after `start`, or kNotFound.
// An empty `what` never matches. A whole word has no letter, digit or "_"
// just before or just after it, also before `start`.
size_t FindForward(std::string_view text, size_t start, std::string_view what,
                   SearchOptions options);

// One edit that replaces text[from, to) by `replacement`.
struct ReplaceResult {
  size_t count = 0;  // matches replaced
  size_t from = 0;
  size_t to = 0;
  std::string replacement;
};

// Replaces every match within text[start, limit), each search going on
// after the previous replacement, so that text a replacement brought in is
// never searched again and the run always ends.
ReplaceResult ReplaceRange(std::string_view text, size_t start, size_t limit, std::string_view what,
                           std::string_view with, SearchOptions options);

// "Zamień wszystko": nothing when there is no match at or after `start`;
// otherwise every match from there to the end and then every match in
// front of `start`, each original match once.
ReplaceResult ReplaceAll(std::string_view text, size_t start, std::string_view what,
                         std::string_view with, SearchOptions options);

}  // namespace ui
