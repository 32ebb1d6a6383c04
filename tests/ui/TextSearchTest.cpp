// The editor's forward search and replace all, over UTF-8 text with
// positions in bytes.
#include "ui/TextSearch.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

constexpr SearchOptions kPlain{};
constexpr SearchOptions kCase{true, false};
constexpr SearchOptions kWord{false, true};
constexpr SearchOptions kCaseWord{true, true};

std::string Apply(const std::string& text, const ReplaceResult& r) {
  return text.substr(0, r.from) + r.replacement + text.substr(r.to);
}

TEST(FindForwardTest, Table) {
  struct Case {
    const char* text;
    size_t start;
    const char* what;
    SearchOptions options;
    size_t found;
  };
  const Case cases[] = {
      // From the given place, never wrapping.
      {"abc xabc abc", 0, "abc", kPlain, 0},
      {"abc xabc abc", 1, "abc", kPlain, 5},
      {"abc xabc abc", 6, "abc", kPlain, 9},
      {"abc xabc abc", 10, "abc", kPlain, kNotFound},
      {"abc xabc abc", 12, "abc", kPlain, kNotFound},
      // Nothing to look for, or a start outside the text.
      {"abc", 0, "", kPlain, kNotFound},
      {"abc", 99, "abc", kPlain, kNotFound},
      // Letter case, Polish letters too; positions are bytes.
      {"xx ABC Żółw", 0, "abc", kPlain, 3},
      {"xx ABC Żółw", 0, "abc", kCase, kNotFound},
      {"xx ABC Żółw", 0, "ABC", kCase, 3},
      {"xx ABC Żółw", 0, "żÓŁ", kPlain, 7},
      {"xx ABC Żółw", 0, "żÓŁ", kCase, kNotFound},
      {"ĄĆĘŁŃÓŚŹŻ", 0, "ąćęłńóśźż", kPlain, 0},
      {"Москва", 0, "москва", kPlain, 0},
      // Whole words: letters, digits, "_" and Polish letters make words.
      {"abcd abc", 0, "abc", kWord, 5},
      {"abcd", 0, "abc", kWord, kNotFound},
      {"xabc", 0, "abc", kWord, kNotFound},
      {"_abc abc_ (abc)", 0, "abc", kWord, 11},
      {"żabc abc1 abc", 0, "abc", kWord, 11},
      {"abcż", 0, "abc", kWord, kNotFound},
      // Boundaries are judged in the whole text, also before the start.
      {"xabc abc", 1, "abc", kWord, 5},
      {"ABC abc", 0, "abc", kCaseWord, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindForward(c.text, c.start, c.what, c.options), c.found)
        << c.text << " from " << c.start << " for " << c.what;
}

TEST(ReplaceAllTest, Table) {
  struct Case {
    const char* text;
    size_t start;
    const char* what;
    const char* with;
    SearchOptions options;
    size_t count;
    const char* result;
  };
  const Case cases[] = {
      // No match from the start: nothing, also with matches only before it.
      {"abc abc", 0, "zzz", "y", kPlain, 0, "abc abc"},
      {"abc abc", 5, "abc", "y", kPlain, 0, "abc abc"},
      // A replacement holding the find text is never searched again.
      {"a-a-a", 0, "a", "aa", kPlain, 3, "aa-aa-aa"},
      {"xa", 0, "a", "Aa", kPlain, 1, "xAa"},
      // From a match in the middle: the tail, then what came before.
      {"ab1 ab2 ab3 ab4", 6, "ab", "<ab>", kPlain, 4, "<ab>1 <ab>2 <ab>3 <ab>4"},
      {"ab1 ab2 ab3 ab4", 0, "ab", "", kPlain, 4, "1 2 3 4"},
      // Whole words see the neighbour a replacement left.
      {" --", 0, "-", "a", kWord, 1, " a-"},
      {"x -- y", 0, "-", "", kWord, 2, "x  y"},
      {"Kot kot kotek KOT", 0, "kot", "pies", kCaseWord, 1, "Kot pies kotek KOT"},
      {"Kot kot kotek KOT", 0, "kot", "pies", kWord, 3, "pies pies kotek pies"},
      // Multi-byte letters around and inside the matches.
      {"źdźbło źdźbło", 3, "ŹDŹBŁO", "trawa", kPlain, 2, "trawa trawa"},
  };
  for (const Case& c : cases) {
    const ReplaceResult r = ReplaceAll(c.text, c.start, c.what, c.with, c.options);
    EXPECT_EQ(r.count, c.count) << c.text;
    EXPECT_EQ(Apply(c.text, r), c.result) << c.text;
    if (c.count == 0) {
      EXPECT_EQ(r.from, r.to) << c.text;
    }
  }
}

TEST(ReplaceRangeTest, KeepsMatchesWithinTheLimit) {
  const std::string text = "aaaa";
  const ReplaceResult r = ReplaceRange(text, 0, 3, "aa", "b", kPlain);
  EXPECT_EQ(r.count, 1u);
  EXPECT_EQ(Apply(text, r), "baa");
}

}  // namespace
}  // namespace ui
