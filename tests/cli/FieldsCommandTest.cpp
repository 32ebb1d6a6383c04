// podzial-cli fields, run as a separate program on tables written by
// TableWriter; its output is compared byte for byte. And a division through
// podzial-cli of a table under the Polish DOS driver, whose index is then
// walked by the independent walker.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

#include "dbase/Table.h"
#include "dbase/TableWriter.h"
#include "platform/Coding.h"
#include "tests/cli/RunCli.h"
#include "tests/dbase/Helpers.h"
#include "tests/dbase/MdxCheck.h"
#include "tests/platform/TempDir.h"

namespace dbase {
namespace {

using testing_util::TempDir;

// What fields prints, the listing first and then its warnings.
std::string RunFields(const std::string& path, int* rc) {
  const cli_test::CliRun r = cli_test::RunCli("fields " + cli_test::Q(path));
  *rc = r.code;
  return r.out + r.err;
}

TEST(FieldsCommandTest, ListsFieldsCountVersionCompanionsAndTags) {
  TempDir t;
  TableLayout layout;
  layout.version = 0x8B;
  layout.fields = {{"ID", 'C', 5}, {"OpisTop", 'C', 8}, {"KWOTA", 'N', 9, 2}, {"UWAGI", 'M', 10}};
  layout.tags = {{"OPISTOP", "OPISTOP"}, {"IDDESC", "ID+OPISTOP", ".NOT. DELETED()", true, true}};
  TableWriter w;
  ASSERT_TRUE(w.Create(t.dir(), "Punkty.DBF", layout).ok());
  ASSERT_TRUE(w.AppendRow({"1", "A", "1.5", "x"}).ok());
  ASSERT_TRUE(w.AppendRow({"2", "B", "", ""}, true).ok());
  ASSERT_TRUE(w.Finish().ok());
  int rc = -1;
  std::string out = RunFields(t / "punkty.dbf", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(out,
            "ID C 5 0\n"
            "OPISTOP C 8 0\n"
            "KWOTA N 9 2\n"
            "UWAGI M 10 0\n"
            "Liczba wierszy: 2\n"
            "Wersja: 0x8B (dBASE IV/5 z plikiem notatek)\n"
            "Indeks .mdx: " +
                (t / "Punkty.MDX") +
                "\n"
                "Plik notatek .dbt: " +
                (t / "Punkty.DBT") +
                "\n"
                "Znacznik OPISTOP: OPISTOP (klucz C)\n"
                "Znacznik IDDESC: ID+OPISTOP FOR .NOT. DELETED() (klucz C, unikalny, malejący)\n");

  TableLayout plain;
  plain.fields = {{"A", 'C', 1}};
  TableWriter w2;
  ASSERT_TRUE(w2.Create(t.dir(), "plain.dbf", plain).ok());
  ASSERT_TRUE(w2.Finish().ok());
  out = RunFields(t / "plain.dbf", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_NE(out.find("Liczba wierszy: 0\nWersja: 0x03"), std::string::npos) << out;
  EXPECT_NE(out.find("Indeks .mdx: brak\nPlik notatek .dbt: brak\n"), std::string::npos) << out;
}

TEST(FieldsCommandTest, DamagedOrMissingTableFailsWithAMessage) {
  TempDir t;
  auto bytes = std::vector<uint8_t>(40, 0);
  bytes[0] = 0x03;
  dbase_test::WriteBytes(t / "zla.dbf", bytes);
  int rc = -1;
  std::string out = RunFields(t / "zla.dbf", &rc);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("Uszkodzona tabela"), std::string::npos) << out;
  out = RunFields(t / "brak.dbf", &rc);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("Nie znaleziono tabeli"), std::string::npos) << out;
}

// The index cannot be read, or is missing: the fields are listed all the
// same, with the index's problem as a warning, and the exit code is 0.
TEST(FieldsCommandTest, UnreadableIndexIsAWarning) {
  struct Case {
    const char* what;
    std::function<void(const TempDir&)> damage;
    const char* warning;
  };
  const std::vector<Case> cases = {
      {"foreign version",
       [](const TempDir& t) {
         auto b = dbase_test::ReadBytes(t / "t.mdx");
         b[0] = 9;
         dbase_test::WriteBytes(t / "t.mdx", b);
       },
       "Uwaga: Uszkodzony plik indeksu"},
      {"missing", [](const TempDir& t) { std::remove((t / "t.mdx").c_str()); },
       "Uwaga: Nie znaleziono pliku indeksu"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir t;
    TableLayout layout;
    layout.fields = {{"ID", 'C', 5}, {"ADRES", 'C', 8}};
    layout.tags = {{"ADRES", "ADRES"}};
    TableWriter w;
    ASSERT_TRUE(w.Create(t.dir(), "t.dbf", layout).ok());
    ASSERT_TRUE(w.AppendRow({"1", "A"}).ok());
    ASSERT_TRUE(w.Finish().ok());
    c.damage(t);
    int rc = -1;
    std::string out = RunFields(t / "t.dbf", &rc);
    EXPECT_EQ(rc, 0) << out;
    EXPECT_EQ(out.rfind("ID C 5 0\nADRES C 8 0\nLiczba wierszy: 1\n", 0), 0u) << out;
    EXPECT_NE(out.find(c.warning), std::string::npos) << out;
    EXPECT_EQ(out.find("Znacznik "), std::string::npos) << out;
  }
}

// Place of a byte in the Polish alphabet (code page 852), written out here
// apart from the engine's weight table: blank, digits, then the letters.
int PolishPlace(uint8_t c) {
  static const std::string order =
      " 0123456789A\xA4"
      "BC\x8F"
      "DE\xA8"
      "FGHIJKL\x9D"
      "MN\xE3"
      "O\xE0"
      "PQRS\x97"
      "TUVWXYZ\x8D\xBD";
  size_t p = order.find(static_cast<char>(c));
  if (p == std::string::npos) ADD_FAILURE() << "byte " << int(c) << " not in the alphabet";
  return static_cast<int>(p);
}

// A division on OPISTOP of a table under the Polish DOS driver: the tag
// NAZOP (NAZWA+OPISTOP, Polish letters) is kept in step and walks in the
// alphabet's order; the tag on NAZWA alone stays byte-identical.
TEST(CliDivisionTest, PolishTagIsKeptInStepThroughADivision) {
  TempDir t;
  using cli_test::Q;
  using cli_test::RunCli;
  ASSERT_EQ(RunCli("new " + Q(t / "opisy.dat")).code, 0);
  std::vector<std::string> addresses;
  for (int i = 0; i < 12; ++i) {
    dbase_test::WriteBytes(t / "r.txt", std::vector<uint8_t>(300 + i * 50, 'a' + i));
    const cli_test::CliRun put = RunCli("put " + Q(t / "opisy.dat") + " " + Q(t / "r.txt"));
    ASSERT_EQ(put.code, 0) << put.err;
    addresses.push_back(put.out.substr(0, 8));
  }
  const std::vector<std::string> words = {
      "\x9D\xE0"
      "D\x8D",
      "LUBLIN",
      "\x97WIDNIK",
      "SANOK",
      "ZAMO\x97\x8F",
      "\xBDYWIEC",
      "\x8DR\xE0"
      "D\x9D"
      "A",
      "\x8FMIEL\xE0W",
      "CEDYNIA",
      "\xA4"
      "BAL",
      "ANIN",
      "E\x9DK",
      "\xA8"
      "BY",
      "NIE\xE3SKO"};
  TableLayout layout;
  layout.version = 0x03;
  layout.language_driver = 0x23;
  layout.fields = {{"NAZWA", 'C', 12}, {"OPISTOP", 'C', 8}};
  layout.tags = {{"NAZOP", "NAZWA+OPISTOP"}, {"NAZWA", "NAZWA"}, {"OPIS", "OPISTOP"}};
  const int rows = 400;
  {
    TableWriter w;
    ASSERT_TRUE(w.Create(t.dir(), "polska.dbf", layout).ok());
    for (int i = 0; i < rows; ++i)
      ASSERT_TRUE(w.AppendRow({words[i % words.size()] + std::to_string(i % 7),
                               addresses[(i * 5) % addresses.size()]})
                      .ok());
    ASSERT_TRUE(w.Finish().ok());
  }
  const auto before = dbase_test::ReadBytes(t / "polska.mdx");
  dbase_test::MdxCheck old_check;
  old_check.Walk(before, rows);
  const cli_test::CliRun divided = RunCli("divide --table " + Q(t / "polska.dbf") + " --data " +
                                          Q(t / "opisy.dat") + " --field OPISTOP --delete-old");
  ASSERT_EQ(divided.code, 0) << divided.err;

  std::vector<std::string> keys;
  {
    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName("polska.dbf");
    ASSERT_TRUE(table.Open().ok());
    for (table.First(); !table.Eof(); table.Next()) {
      std::string nazwa = table.GetText(0), opis = table.GetText(1);
      keys.push_back(nazwa + std::string(12 - nazwa.size(), ' ') + opis);
    }
  }
  ASSERT_EQ(keys.size(), static_cast<size_t>(rows));
  const auto after = dbase_test::ReadBytes(t / "polska.mdx");
  dbase_test::MdxCheck check;
  check.Walk(after, rows);
  for (const auto& p : check.problems) ADD_FAILURE() << p;
  ASSERT_EQ(check.tags.size(), 3u);
  const auto& nazop = check.tags[0];
  ASSERT_EQ(nazop.entries.size(), keys.size());
  EXPECT_NE(nazop.entries, old_check.tags[0].entries);  // the division moved its keys
  for (size_t i = 0; i < nazop.entries.size(); ++i) {
    const auto& [key, recno] = nazop.entries[i];
    EXPECT_EQ(key, keys[recno - 1]) << i;
    if (i == 0) continue;
    const std::string& prev = nazop.entries[i - 1].first;
    std::vector<int> a, b;
    for (unsigned char ch : prev) a.push_back(PolishPlace(ch));
    for (unsigned char ch : key) b.push_back(PolishPlace(ch));
    EXPECT_TRUE(a < b || (a == b && nazop.entries[i - 1].second < recno)) << i;
  }
  // NAZWA: every block of the tag as it was.
  const auto& nazwa = old_check.tags[1];
  std::set<uint32_t> pages = nazwa.pages;
  pages.insert(nazwa.header_page);
  for (uint32_t p : pages)
    EXPECT_EQ(0, std::memcmp(&after[p * 512ull], &before[p * 512ull], 1024)) << p;
}

}  // namespace
}  // namespace dbase
