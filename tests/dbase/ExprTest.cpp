// Key expressions and key encodings: each function's result on a record,
// the widths that fix key lengths, and the values we refuse to compute
// rather than guess.
#include <gtest/gtest.h>

#include <cstring>

#include "dbase/Expr.h"
#include "dbase/TagKeys.h"

namespace dbase {
namespace {

std::vector<FieldDef> Fields() {
  std::vector<FieldDef> f = {{"NAZWA", 'C', 10},
                             {"ADRES", 'C', 8},
                             {"KWOTA", 'N', 8, 2},
                             {"DATA", 'D', 8},
                             {"OK", 'L', 1}};
  int off = 0;
  for (auto& x : f) {
    x.offset = off;
    off += x.length;
  }
  return f;
}

std::string Record(const std::string& nazwa, const std::string& adres, const std::string& kwota,
                   const std::string& data, bool deleted = false) {
  auto pad = [](std::string s, size_t n, bool right) {
    return right ? std::string(n - s.size(), ' ') + s : s + std::string(n - s.size(), ' ');
  };
  return std::string(deleted ? "*" : " ") + pad(nazwa, 10, false) + pad(adres, 8, false) +
         pad(kwota, 8, true) + pad(data, 8, false) + "T";
}

struct Eval {
  bool parsed = false, ok = false;
  Value v;
  int width = 0;
  std::string error;
};

Eval Compute(const std::string& text, const std::string& rec) {
  Eval e;
  Expression x;
  e.parsed = x.Parse(text, Fields(), &e.error);
  if (!e.parsed) return e;
  e.width = x.Width();
  e.ok = x.Evaluate(reinterpret_cast<const uint8_t*>(rec.data()), &e.v);
  return e;
}

TEST(ExprTest, CharacterFunctionsGiveDbaseResultsAndWidths) {
  const std::string rec = Record("  Kowal", "00A1", "12", "20240229");
  struct Case {
    const char* expr;
    const char* result;
    int width;
  };
  const Case cases[] = {
      {"nazwa", "  Kowal   ", 10},
      {"Field->ADRES", "00A1    ", 8},
      {"NAZWA+ADRES", "  Kowal   00A1    ", 18},
      {"NAZWA-ADRES", "  Kowal00A1       ", 18},  // trailing blanks move to the end
      {"UPPER(NAZWA)", "  KOWAL   ", 10},
      {"LTRIM(NAZWA)", "Kowal   ", 10},
      {"TRIM(NAZWA)", "  Kowal", 10},
      {"RTRIM(NAZWA)", "  Kowal", 10},
      {"SUBSTR(NAZWA,3,4)", "Kowa", 4},
      {"SUBSTR(NAZWA,9,4)", "    ", 4},
      {"SUBSTR(NAZWA,3)", "Kowal   ", 8},
      {"LEFT(ADRES,2)", "00", 2},
      {"RIGHT(ADRES,3)", "   ", 3},
      {"RIGHT(TRIM(ADRES),3)", "0A1", 3},
      {"STR(KWOTA)", "        12", 10},
      {"STR(KWOTA,8,2)", "   12.00", 8},
      {"STR(KWOTA,3,1)", "***", 3},
      {"DTOS(DATA)", "20240229", 8},
      {"UPPER(LEFT(NAZWA,4))+DTOS(DATA)", "  KO20240229", 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expr);
    Eval e = Compute(c.expr, rec);
    ASSERT_TRUE(e.parsed) << e.error;
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.v.text, c.result);
    EXPECT_EQ(e.width, c.width);
  }
}

TEST(ExprTest, ConditionsForFilters) {
  const std::string live = Record("x", "1F", "-3", "");
  const std::string gone = Record("x", "0F", "0", "", true);
  struct Case {
    const char* expr;
    bool on_live, on_gone;
  };
  const Case cases[] = {
      {"DELETED()", false, true},
      {".NOT. DELETED()", true, false},
      {"!DELETED()", true, false},
      {"ADRES = '1'", true, false},  // compares up to the right side's length
      {"ADRES == '1F'", true, false},
      {"ADRES <> '1'", false, true},
      {"KWOTA < 0 .AND. .NOT. DELETED()", true, false},
      {"KWOTA >= 0 .OR. OK", true, true},
      {"DATA = DATA", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expr);
    Eval a = Compute(c.expr, live), b = Compute(c.expr, gone);
    ASSERT_TRUE(a.parsed) << a.error;
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.v.type, 'L');
    EXPECT_EQ(a.v.logical, c.on_live);
    EXPECT_EQ(b.v.logical, c.on_gone);
  }
}

TEST(ExprTest, WhatWeCannotComputeExactlyIsRefused) {
  // Not parsed at all.
  for (const char* e : {"VAL(ADRES)", "IIF(OK,NAZWA,ADRES)", "DESCEND(NAZWA)", "NIEMA", "NAZWA+",
                        "(NAZWA", "NAZWA < ADRES", "KWOTA+KWOTA", "SUBSTR(NAZWA,KWOTA)", "'abc"}) {
    Eval r = Compute(e, Record("a", "b", "1", ""));
    EXPECT_FALSE(r.parsed) << e;
    EXPECT_FALSE(r.error.empty()) << e;
  }
  // Parsed, but this record's value is not ours to reproduce.
  EXPECT_FALSE(Compute("UPPER(NAZWA)", Record("\xB3\xF3"
                                              "d\xBC",
                                              "", "1", ""))
                   .ok);                                                   // code-page letters
  EXPECT_FALSE(Compute("STR(KWOTA,6,1)", Record("", "", "1.25", "")).ok);  // would round
  EXPECT_TRUE(Compute("STR(KWOTA,6,1)", Record("", "", "1.20", "")).ok);
  EXPECT_FALSE(Compute("DTOS(DATA)", Record("", "", "1", "20230230")).ok);  // no such day
  EXPECT_FALSE(Compute("KWOTA", Record("", "", "1-2", "")).ok);             // not a number
}

std::string Hex(const uint8_t* k, size_t n) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02X", k[i]);
    s += b;
  }
  return s;
}

TEST(ExprTest, NumericKeysInEveryStyleAndTheirOrder) {
  struct Case {
    const char* number;
    NumericStyle style;
    const char* key;
  };
  const Case cases[] = {
      {"1", NumericStyle::kDigitCount, "350510000000000000000000"},
      {"123", NumericStyle::kDigitCount, "370D12300000000000000000"},
      {"123", NumericStyle::kHalfBytes, "371112300000000000000000"},
      {"0", NumericStyle::kHalfBytes, "340100000000000000000000"},
      {"-16", NumericStyle::kHalfBytes, "368916000000000000000000"},
      {"0.05", NumericStyle::kDigitCount, "330550000000000000000000"},
      {"10", NumericStyle::kDigitCount, "360510000000000000000000"},
      {"10", NumericStyle::kDigitsKept, "360910000000000000000000"},
      {"123.40", NumericStyle::kDigitCount, "371112340000000000000000"},
  };
  uint8_t key[12];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    ASSERT_TRUE(EncodeNumericKey(c.number, c.style, 0, key));
    EXPECT_EQ(Hex(key, 12), c.key);
  }
  EXPECT_FALSE(EncodeNumericKey("123456789012345678901", NumericStyle::kHalfBytes, 0, key));
  EXPECT_FALSE(EncodeNumericKey("1e5", NumericStyle::kHalfBytes, 0, key));

  // Order by value, whatever the length byte says.
  const char* ascending[] = {"-100", "-2.5", "-0.01", "0",  "0.005",
                             "0.05", "1",    "9.99",  "10", "1000"};
  uint8_t a[12], b[12];
  for (size_t i = 0; i + 1 < std::size(ascending); ++i) {
    ASSERT_TRUE(EncodeNumericKey(ascending[i], NumericStyle::kHalfBytes, 0, a));
    ASSERT_TRUE(EncodeNumericKey(ascending[i + 1], NumericStyle::kDigitCount, 0, b));
    EXPECT_LT(CompareNumericKeys(a, b), 0) << ascending[i];
    EXPECT_GT(CompareNumericKeys(b, a), 0) << ascending[i];
  }
  ASSERT_TRUE(EncodeNumericKey("5.0", NumericStyle::kHalfBytes, 0, a));
  ASSERT_TRUE(EncodeNumericKey("5", NumericStyle::kConstant, 0x41, b));
  EXPECT_EQ(CompareNumericKeys(a, b), 0);
  EXPECT_EQ(b[1], 0x41);
}

TEST(ExprTest, DateKeysAreJulianDays) {
  double j = 0;
  ASSERT_TRUE(DateToJulian(2000, 1, 1, &j));
  EXPECT_EQ(j, 2451545.0);
  ASSERT_TRUE(DateToJulian(1900, 3, 1, &j));
  EXPECT_EQ(j, 2415080.0);
  EXPECT_FALSE(DateToJulian(2023, 2, 29, &j));
  EXPECT_TRUE(DateToJulian(2024, 2, 29, &j));
  EXPECT_FALSE(DateToJulian(2024, 13, 1, &j));
}

}  // namespace
}  // namespace dbase
