// podzial-cli fields, run as a separate program on tables written by
// TableWriter; its output is compared byte for byte.
#include <gtest/gtest.h>

#include "dbase/TableWriter.h"
#include "tests/dbase/Helpers.h"
#include "tests/platform/TempDir.h"

namespace dbase {
namespace {

using testing_util::TempDir;

std::string RunFields(const std::string& path, int* rc) {
  return dbase_test::RunCommand(testing_util::BuiltProgram("cli/podzial-cli") + " fields " +
                                    testing_util::ShellQuote(path) + " 2>&1",
                                rc);
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

}  // namespace
}  // namespace dbase
