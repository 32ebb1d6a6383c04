// The integer edit's rules: each text typed or assigned in turn, what is
// accepted, what is said about the rest and what comes back.
#include "ui/IntRule.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

TEST(ParseInt32Test, OnlyAnOptionalMinusAndDigitsWithin32Bits) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {"0", 0},
      {"-0", 0},
      {"007", 7},
      {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"", {}},
      {"-", {}},
      {"--1", {}},
      {"1-", {}},
      {"1 ", {}},
      {" 5", {}},
      {"+5", {}},
      {"0x10", {}},
      {"1e3", {}},
      {"2147483648", {}},
      {"-2147483649", {}},
      {"99999999999999999999", {}},
      {"12\xC3\xB3", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseInt32(c.text), c.value) << c.text;
}

// One box, texts in the order they reach it.
struct Step {
  const char* text;
  bool accepted;
  const char* last_text;  // after the step
  const char* message;    // when rejected
};

void Type(IntRule rule, const std::vector<Step>& steps, const char* name) {
  for (const Step& s : steps) {
    const IntVerdict v = rule.Check(s.text);
    EXPECT_EQ(v.accepted, s.accepted) << name << ": " << s.text;
    EXPECT_EQ(rule.last_text(), s.last_text) << name << ": " << s.text;
    if (!s.accepted) {
      EXPECT_EQ(v.message, s.message) << name << ": " << s.text;
      EXPECT_EQ(v.restore, s.last_text) << name << ": " << s.text;
    }
  }
}

TEST(IntRuleTest, SizeBoxZeroTo2047) {
  IntRule size;
  size.max = 2047;
  const char* range = "Wartość spoza przedziału 0 - 2047";
  Type(size,
       {{"2", true, "2", ""},
        {"20", true, "20", ""},
        {"204", true, "204", ""},
        {"2048", false, "204", range},
        {"204", true, "204", ""},  // the text put back is checked again
        {"12x", false, "204", "Niepoprawna wartość"},
        {"", true, "0", ""},  // emptied: still being typed, stands for 0
        {"-", true, "0", ""},
        {"-5", false, "0", range},
        {"2147483648", false, "0", "Niepoprawna wartość"}},
       "0..2047");
}

TEST(IntRuleTest, OtherRanges) {
  IntRule any;  // min = max: every 32-bit integer
  Type(any,
       {{"-123", true, "-123", ""}, {"-2147483648", true, "-2147483648", ""}, {"", true, "0", ""}},
       "no range");
  IntRule five_ten;
  five_ten.min = 5;
  five_ten.max = 10;
  const char* range = "Wartość spoza przedziału 5 - 10";
  // "10" cannot be typed key by key: its first key gives "1".
  Type(five_ten,
       {{"7", true, "7", ""},
        {"", true, "5", ""},
        {"4", false, "5", range},
        {"11", false, "5", range},
        {"1", false, "5", range},
        {"10", true, "10", ""}},
       "5..10");
  IntRule negative;
  negative.min = -10;
  negative.max = -1;
  Type(negative,
       {{"", true, "-10", ""},
        {"-", true, "-10", ""},
        {"-1", true, "-1", ""},
        {"-10", true, "-10", ""},
        {"0", false, "-10", "Wartość spoza przedziału -10 - -1"}},
       "-10..-1");
}

TEST(IntRuleTest, ValueReadsMinWhenEmptyAndNothingForALoneMinus) {
  struct Case {
    int32_t min, max;
    const char* text;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {0, 2047, "", 0},      {5, 10, "", 5},     {-10, -1, "", -10},
      {0, 2047, "650", 650}, {0, 2047, "-", {}}, {0, 0, "-123", -123},
  };
  for (const Case& c : cases) {
    IntRule r;
    r.min = c.min;
    r.max = c.max;
    EXPECT_EQ(r.Value(c.text), c.value) << c.min << ".." << c.max << " " << c.text;
  }
}

}  // namespace
}  // namespace ui
