// The division subcommands of podzial-cli, run as a user runs them: exit
// codes, the completion text and counts, JSON, and the Kadmor question
// with no terminal to ask on.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/DbFixture.h"
#include "tests/platform/Shell.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

struct CliRun {
  int code;
  std::string out, err;
};

// Runs podzial-cli with stdin from the null device (no terminal).
CliRun Cli(const TempDir& t, const std::string& args) {
  using namespace testing_util;
  const std::string cmd = BuiltProgram("cli/podzial-cli") + " " + args + " <" + kNullDevice + " >" +
                          ShellQuote(t / "out.txt") + " 2>" + ShellQuote(t / "err.txt");
  CliRun r{RunShell(cmd), ReadBytes(t / "out.txt"), ReadBytes(t / "err.txt")};
  fs::remove(t / "out.txt");
  fs::remove(t / "err.txt");
  return r;
}

// A path as a JSON string holds it (Windows separators escaped).
std::string JsonPath(std::string path) {
  for (size_t i = 0; (i = path.find('\\', i)) != std::string::npos; i += 2) path.insert(i, 1, '\\');
  return path;
}

TEST(CliTest, PresetTolmWithJsonAndTheProbe) {
  TempDir t;
  fs::create_directories(t / "db");
  ASSERT_TRUE(demodb::GenerateTolm(t / "db", 3, 5).ok());
  CliRun r = Cli(t, "preset tolm " + (t / "db") + " --max-mb 1 --json");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("{\"message\":\"Operacja została zakończona.\\r\\nPoprzednie dane", 0), 0u)
      << r.out;
  EXPECT_NE(r.out.find("\"table\":\"" + JsonPath(t / "db/dokopisy.dbf") + "\""), std::string::npos);
  EXPECT_NE(r.out.find("\"total\":{\"rows\":"), std::string::npos);
  EXPECT_EQ(r.out.find("\"ran\":false"), std::string::npos);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
  EXPECT_EQ(Subdirs(t / "db", "old").size(), 1u);
  r = Cli(t, "probe " + (t / "db/opisy.dat"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "1\n");
}

TEST(CliTest, KadmorQuestionWithoutTerminalEndsUnchanged) {
  TempDir t;
  fs::create_directories(t / "db/kerg");
  auto o = SmallTable(t / "db/kerg/", 10);
  o.table_name = "operdok.dbf";
  o.data_name = "rastry.dan";
  o.address_field = "ADRES";
  Make(o);
  const Snapshot before = Snap(t / "db/kerg");
  CliRun r = Cli(t, "preset kadmor " + (t / "db"));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Wybrana baza była używana przez program Kadmor w wersji mniejszej niż "
                       "1.10"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(SameFiles(Snap(t / "db/kerg"), before));
  EXPECT_EQ(fs::directory_iterator(t / "db")->path().filename(), "kerg");

  r = Cli(t, "preset kadmor " + (t / "db") + " --yes --delete-old");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Operacja została zakończona\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(t / "db/oper_bu/operdok.dbf: pominięto"), std::string::npos);
  EXPECT_NE(r.out.find(t / "db/kerg/operdok.dbf: wiersze: 10,"), std::string::npos);
}

TEST(CliTest, ErrorsAndUsage) {
  TempDir t;
  auto o = SmallTable(t.dir(), 5);
  Make(o);
  const std::string files = "--table " + (t / "opisy.dbf") + " --data " + (t / "opisy.dat");
  CliRun r = Cli(t, "divide " + files + " --field BRAK");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Brak pola: BRAK\n");
  r = Cli(t, "divide " + files + " --field OPISTOP --max-mb 2048");
  EXPECT_EQ(r.code, 2);
  r = Cli(t, "divide --table \"\" --data x --field y");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Nie wypełniono wszystkich pól\n");
  r = Cli(t, "divide " + files + " --field OPISTOP --max-mb 0 --no-check-id");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("ze znacznikiem ID: 0,"), std::string::npos) << r.out;
}

}  // namespace
