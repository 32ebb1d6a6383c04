// The table engine on tables without an index: every version opens and
// reads back, edits change exactly the posted bytes and the header date,
// the independent reader sees what we wrote, share modes hold across
// processes.
#include "dbase/Table.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstring>
#include <ctime>

#include "dbase/TableWriter.h"
#include "tests/dbase/Helpers.h"
#include "tests/platform/TempDir.h"
#include "tests/support/FaultEnv.h"

namespace dbase {
namespace {

using dbase_test::ReadBytes;
using platform::Status;
using testing_util::TempDir;

TableLayout PointsLayout(uint8_t version) {
  TableLayout layout;
  layout.version = version;
  layout.fields = {{"ID", 'C', 5},        {"OpisTop", 'C', 8}, {"NAZWA", 'C', 20},
                   {"KWOTA", 'N', 10, 2}, {"DATA", 'D', 8},    {"OK", 'L', 1}};
  if (version & 0x80) layout.fields.push_back({"UWAGI", 'M', 10});
  layout.year = 2020;
  layout.month = 5;
  layout.day = 17;
  return layout;
}

std::vector<std::vector<std::string>> PointsRows(bool memo) {
  std::vector<std::vector<std::string>> rows = {
      {"00001", "0000A1F0", "Punkt pierwszy", "12.50", "20200517", "T"},
      {"\xFF\xFF\xFF\xFF\xFF", "00000010", "Za\xB3\xF3\xBF", "-3.00", "", "F"},
      {"00003", "", "", "", "19991231", ""},
      {"00004", "1A",
       "  wci\xEA"
       "cie",
       "0.05", "20240229", "?"},
  };
  if (memo)
    for (size_t i = 0; i < rows.size(); ++i)
      rows[i].push_back(i % 2 ? "" : "notatka " + std::to_string(i));
  return rows;
}

std::string MakeTable(const TempDir& t, const std::string& name, uint8_t version) {
  TableWriter w;
  TableLayout layout = PointsLayout(version);
  EXPECT_TRUE(w.Create(t.dir(), name, layout).ok());
  auto rows = PointsRows(version & 0x80);
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_TRUE(w.AppendRow(rows[i], i == 2).ok());
  Status s = w.Finish();
  EXPECT_TRUE(s.ok()) << s.message();
  return t / name;
}

TEST(TableTest, EveryVersionReadsBackFieldsRowsAndDeletedFlags) {
  for (uint8_t version : {0x03, 0x83, 0x8B, 0x8E, 0x04, 0x8C}) {
    SCOPED_TRACE(static_cast<int>(version));
    TempDir t;
    MakeTable(t, "PUNKTY.DBF", version);
    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName("punkty.dbf");  // letter case of the name ignored
    Status s = table.Open();
    ASSERT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(table.Version(), version);
    std::vector<std::string> names = {"ID", "OPISTOP", "NAZWA", "KWOTA", "DATA", "OK"};
    if (version & 0x80) names.push_back("UWAGI");
    EXPECT_EQ(table.FieldNames(), names);
    EXPECT_EQ(table.FindField("opistop"), 1);
    EXPECT_EQ(table.FindField("OpIsToP"), 1);
    EXPECT_EQ(table.FindField("ADRES"), -1);
    EXPECT_EQ(table.Fields()[3].type, 'N');
    EXPECT_EQ(table.Fields()[3].length, 10);
    EXPECT_EQ(table.Fields()[3].decimals, 2);
    EXPECT_EQ(table.DbtPath().empty(), !(version & 0x80));
    ASSERT_EQ(table.RecordCount(), 4u);
    auto rows = PointsRows(false);
    uint32_t seen = 0;
    for (Status st = table.First(); !table.Eof(); st = table.Next()) {
      ASSERT_TRUE(st.ok());
      const auto& row = rows[seen];
      ++seen;
      EXPECT_EQ(table.RecNo(), seen);
      EXPECT_EQ(table.Deleted(), seen == 3);  // deleted rows are visited too
      EXPECT_EQ(table.GetText(0), row[0]);
      EXPECT_EQ(table.GetText(1), row[1]);
      EXPECT_EQ(table.GetText(2), row[2]);  // leading blanks kept, bytes untranslated
      EXPECT_EQ(table.GetText(3), row[3]);
      EXPECT_EQ(table.GetText(4), row[4]);
    }
    EXPECT_EQ(seen, 4u);
    EXPECT_TRUE(table.Close().ok());
    EXPECT_FALSE(table.Active());
    EXPECT_TRUE(table.Close().ok());

    // Every version converts a character field and reads it back.
    table.SetWritableFields({"OPISTOP"});
    ASSERT_TRUE(table.Open().ok());
    ASSERT_TRUE(table.Next().ok());
    ASSERT_TRUE(table.Edit().ok() && table.SetText(1, "7FFFFFFF").ok() && table.Post().ok());
    ASSERT_TRUE(table.Close().ok());
    table.SetWritableFields({});
    table.SetTableName("Punkty");  // without extension: the .dbf
    ASSERT_TRUE(table.Open().ok());
    ASSERT_TRUE(table.Next().ok());
    EXPECT_EQ(table.GetText(1), "7FFFFFFF");
    EXPECT_EQ(table.GetText(2), rows[1][2]);
  }
}

TEST(TableTest, PostChangesOnlyThePostedBytesAndTheDate) {
  TempDir t;
  std::string path = MakeTable(t, "punkty.dbf", 0x03);
  const std::vector<uint8_t> before = ReadBytes(path);
  {
    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName("punkty.dbf");
    table.SetWritableFields({"OPISTOP"});
    ASSERT_TRUE(table.Open().ok());
    int f = table.FindField("OPISTOP");
    // Row 1 gets a shorter text, row 2 is rewritten unchanged, row 4 longer.
    ASSERT_TRUE(table.Edit().ok());
    ASSERT_TRUE(table.SetText(f, "ABC").ok());
    ASSERT_TRUE(table.Post().ok());
    ASSERT_TRUE(table.Next().ok());
    ASSERT_TRUE(table.Edit().ok());
    ASSERT_TRUE(table.SetText(f, "00000010").ok());
    ASSERT_TRUE(table.Post().ok());
    ASSERT_TRUE(table.Next().ok());
    ASSERT_TRUE(table.Next().ok());
    ASSERT_TRUE(table.Edit().ok());
    EXPECT_FALSE(table.SetText(f, "123456789").ok());  // longer than the field: never cut
    ASSERT_TRUE(table.SetText(f, "0000FFFF").ok());
    EXPECT_EQ(table.GetText(f), "0000FFFF");  // the edit is visible before the post
    ASSERT_TRUE(table.Post().ok());
    EXPECT_FALSE(table.SetText(f, "1").ok());  // not in edit mode any more
    ASSERT_TRUE(table.Close().ok());
  }
  const std::vector<uint8_t> after = ReadBytes(path);
  ASSERT_EQ(before.size(), after.size());
  const size_t hl = before[8] | before[9] << 8, rl = before[10] | before[11] << 8;
  const size_t field = 1 + 5;  // OPISTOP after the flag and ID
  std::time_t now = std::time(nullptr);
  std::tm* tm = std::localtime(&now);
  EXPECT_EQ(after[1], tm->tm_year);
  EXPECT_EQ(after[2], tm->tm_mon + 1);
  EXPECT_EQ(after[3], tm->tm_mday);
  std::string r1(reinterpret_cast<const char*>(&after[hl + field]), 8);
  std::string r4(reinterpret_cast<const char*>(&after[hl + 3 * rl + field]), 8);
  EXPECT_EQ(r1, "ABC     ");
  EXPECT_EQ(r4, "0000FFFF");
  for (size_t i = 0; i < before.size(); ++i) {
    bool date = i >= 1 && i <= 3;
    bool in_r1 = i >= hl + field && i < hl + field + 8;
    bool in_r4 = i >= hl + 3 * rl + field && i < hl + 3 * rl + field + 8;
    if (!date && !in_r1 && !in_r4) {
      ASSERT_EQ(before[i], after[i]) << "byte " << i;
    }
  }

  // Opened again, the table shows the new values.
  Table again;
  again.SetDatabaseName(t.dir());
  again.SetTableName("PUNKTY.DBF");
  ASSERT_TRUE(again.Open().ok());
  EXPECT_EQ(again.GetText(1), "ABC");
  ASSERT_TRUE(again.Next().ok() && again.Next().ok() && again.Next().ok());
  EXPECT_EQ(again.GetText(1), "0000FFFF");
}

TEST(TableTest, WithoutPostsNothingIsWrittenNotEvenTheDate) {
  TempDir t;
  std::string path = MakeTable(t, "punkty.dbf", 0x8B);
  const auto before = ReadBytes(path);
  {
    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName("punkty.dbf");
    table.SetWritableFields({"OPISTOP"});
    ASSERT_TRUE(table.Open().ok());
    ASSERT_TRUE(table.Edit().ok());
    ASSERT_TRUE(table.SetText(1, "XYZ").ok());
    // Closed without a post: the edit is dropped.
  }
  EXPECT_EQ(ReadBytes(path), before);
}

TEST(TableTest, ReadOnlyOpenAndUndeclaredFieldsRefuseEdits) {
  TempDir t;
  MakeTable(t, "punkty.dbf", 0x03);
  Table table;
  table.SetDatabaseName(t.dir());
  table.SetTableName("punkty.dbf");
  ASSERT_TRUE(table.Open().ok());
  EXPECT_FALSE(table.Edit().ok());
  table.Close();
  table.SetWritableFields({"OPISTOP", "NIEMA"});  // unknown names are ignored
  ASSERT_TRUE(table.Open().ok());
  ASSERT_TRUE(table.Edit().ok());
  Status s = table.SetText(table.FindField("NAZWA"), "x");
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("NAZWA"), std::string::npos);
  EXPECT_FALSE(table.SetText(99, "x").ok());
}

TEST(TableTest, MovingOnPostsAPendingEdit) {
  TempDir t;
  MakeTable(t, "punkty.dbf", 0x03);
  {
    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName("punkty.dbf");
    table.SetWritableFields({"OPISTOP"});
    ASSERT_TRUE(table.Open().ok());
    ASSERT_TRUE(table.Edit().ok());
    ASSERT_TRUE(table.SetText(1, "NEXT").ok());
    ASSERT_TRUE(table.Next().ok());
    ASSERT_TRUE(table.Close().ok());
  }
  Table table;
  table.SetDatabaseName(t.dir());
  table.SetTableName("punkty.dbf");
  ASSERT_TRUE(table.Open().ok());
  EXPECT_EQ(table.GetText(1), "NEXT");
}

TEST(TableTest, ManyRowsAcrossReadChunksAreAllRewritten) {
  TempDir t;
  TableLayout layout;
  layout.fields = {{"ADRES", 'C', 8}, {"TEKST", 'C', 200}};
  TableWriter w;
  ASSERT_TRUE(w.Create(t.dir(), "duza.dbf", layout).ok());
  const int n = 5000;  // about four read chunks
  for (int i = 0; i < n; ++i) ASSERT_TRUE(w.AppendRow({std::to_string(i), "x"}).ok());
  ASSERT_TRUE(w.Finish().ok());
  {
    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName("duza.dbf");
    table.SetWritableFields({"ADRES"});
    ASSERT_TRUE(table.Open().ok());
    int i = 0;
    for (table.First(); !table.Eof(); table.Next(), ++i) {
      if (i % 3 == 1) continue;  // gaps make separate write runs
      ASSERT_TRUE(table.Edit().ok());
      char buf[9];
      std::snprintf(buf, sizeof buf, "%08X", i * 7);
      ASSERT_TRUE(table.SetText(0, buf).ok());
      ASSERT_TRUE(table.Post().ok());
    }
    EXPECT_EQ(i, n);
    ASSERT_TRUE(table.Close().ok());
  }
  Table table;
  table.SetDatabaseName(t.dir());
  table.SetTableName("duza.dbf");
  ASSERT_TRUE(table.Open().ok());
  int i = 0;
  for (table.First(); !table.Eof(); table.Next(), ++i) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", i * 7);
    ASSERT_EQ(table.GetText(0), i % 3 == 1 ? std::to_string(i) : std::string(buf)) << i;
    ASSERT_EQ(table.GetText(1), "x");
  }
}

// fork() and Debian's python3 exist on Linux only.
#ifndef _WIN32
// A child process tries to open the table; exit code 0 = opened, 2 = busy.
int OpenInChild(const std::string& dir, bool exclusive) {
  pid_t pid = fork();
  if (pid == 0) {
    Table t;
    t.SetDatabaseName(dir);
    t.SetTableName("punkty.dbf");
    t.SetExclusive(exclusive);
    Status s = t.Open();
    _exit(s.ok() ? 0 : s.IsBusy() ? 2 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TableTest, ExclusiveAndSharedOpensRefuseEachOtherAcrossProcesses) {
  TempDir t;
  MakeTable(t, "punkty.dbf", 0x03);
  {
    Table shared;
    shared.SetDatabaseName(t.dir());
    shared.SetTableName("punkty.dbf");
    ASSERT_TRUE(shared.Open().ok());
    EXPECT_EQ(OpenInChild(t.dir(), true), 2);
    EXPECT_EQ(OpenInChild(t.dir(), false), 0);
  }
  {
    Table exclusive;
    exclusive.SetDatabaseName(t.dir());
    exclusive.SetTableName("punkty.dbf");
    exclusive.SetExclusive(true);
    ASSERT_TRUE(exclusive.Open().ok());
    EXPECT_EQ(OpenInChild(t.dir(), false), 2);
    EXPECT_EQ(OpenInChild(t.dir(), true), 2);
    Table same_process;
    same_process.SetDatabaseName(t.dir());
    same_process.SetTableName("punkty.dbf");
    Status s = same_process.Open();
    EXPECT_TRUE(s.IsBusy());
    EXPECT_NE(s.message().find("używana"), std::string::npos);
  }
  EXPECT_EQ(OpenInChild(t.dir(), true), 0);  // closing released the lock
}

#endif

TEST(TableTest, MissingFilesGiveClearMessages) {
  TempDir t;
  Table table;
  table.SetDatabaseName(t.dir());
  table.SetTableName("brak.dbf");
  Status s = table.Open();
  EXPECT_TRUE(s.IsNotFound());
  EXPECT_NE(s.message().find("Nie znaleziono tabeli"), std::string::npos);

  std::string path = MakeTable(t, "notatki.dbf", 0x8B);
  ASSERT_EQ(std::remove((t / "notatki.dbt").c_str()), 0);
  table.SetTableName("notatki.dbf");
  s = table.Open();
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("Nie znaleziono pliku notatek"), std::string::npos);
}

#ifndef _WIN32
TEST(TableTest, IndependentReaderSeesEveryFieldAfterOurEdits) {
  for (uint8_t version : {0x03, 0x83, 0x8B, 0x8E}) {
    SCOPED_TRACE(static_cast<int>(version));
    TempDir t;
    MakeTable(t, "punkty.dbf", version);
    {
      Table table;
      table.SetDatabaseName(t.dir());
      table.SetTableName("punkty.dbf");
      table.SetWritableFields({"OPISTOP"});
      ASSERT_TRUE(table.Open().ok());
      ASSERT_TRUE(table.Next().ok());
      ASSERT_TRUE(table.Edit().ok() && table.SetText(1, "0000BEEF").ok() && table.Post().ok());
      ASSERT_TRUE(table.Close().ok());
    }
    // dbfread prints each row's raw field texts; deleted rows included.
    std::string script =
        "import sys, dbfread\n"
        "out = sys.stdout.buffer\n"
        "t = dbfread.DBF(sys.argv[1], raw=True, ignore_missing_memofile=False)\n"
        "for rec in list(t.records) + list(t.deleted):\n"
        "    out.write(b'|'.join(rec.values()) + b'\\n')\n"
        "t = dbfread.DBF(sys.argv[1], encoding='latin-1', ignore_missing_memofile=False)\n"
        "for rec in t:\n"
        "    if 'UWAGI' in rec and rec['UWAGI']:\n"
        "        out.write(b'MEMO:' + rec['UWAGI'].encode('latin-1') + b'\\n')\n";
    dbase_test::WriteBytes(t / "read.py", std::vector<uint8_t>(script.begin(), script.end()));
    int rc = 0;
    std::string out = dbase_test::RunCommand(
        std::string(PODZIAL_PYTHON) + " " + (t / "read.py") + " " + (t / "punkty.dbf") + " 2>&1",
        &rc);
    ASSERT_EQ(rc, 0) << out;
    // Every field of every row, padded as stored: the non-deleted rows
    // first, then the deleted one, as dbfread lists them.
    auto rows = PointsRows(false);
    rows[1][1] = "0000BEEF";
    const int widths[] = {5, 8, 20, 10, 8, 1};
    std::string expected;
    for (int r : {0, 1, 3, 2}) {
      for (int f = 0; f < 6; ++f) {
        const std::string& v = rows[r][f];
        std::string pad(widths[f] - v.size(), ' ');
        expected += (f ? "|" : "") + (f == 3 ? pad + v : v + pad);
      }
      if (version & 0x80)
        expected += r == 0 ? "|         1" : r == 2 ? "|         2" : "|          ";
      expected += "\n";
    }
    ASSERT_GE(out.size(), expected.size());
    EXPECT_EQ(out.substr(0, expected.size()), expected);
    if (version & 0x80) {
      EXPECT_NE(out.find("MEMO:notatka 0"), std::string::npos) << out;
    }
  }
}

#endif
}  // namespace
}  // namespace dbase

namespace dbase {
namespace {

// Rewrites ADRES in every row; true when every call reported success.
bool RewriteAll(platform::Env* env, const TempDir& t) {
  Table table(env);
  table.SetDatabaseName(t.dir());
  table.SetTableName("t.dbf");
  table.SetWritableFields({"ADRES"});
  bool ok = table.Open().ok();
  for (int i = 0; ok && !table.Eof(); ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", 999 - i);
    ok = table.Edit().ok() && table.SetText(1, buf).ok() && table.Post().ok() && table.Next().ok();
  }
  return table.Close().ok() && ok;
}

TEST(TableTest, EveryFailedWriteIsReported) {
  TempDir t;
  TableLayout layout;
  layout.fields = {{"ID", 'C', 4}, {"ADRES", 'C', 8}, {"TEKST", 'C', 200}};
  layout.tags = {{"ADRES", "ADRES"}, {"ID", "ID"}};
  TableWriter w;
  ASSERT_TRUE(w.Create(t.dir(), "t.dbf", layout).ok());
  for (int i = 0; i < 12000; ++i)  // several read chunks, a two-level tag
    ASSERT_TRUE(w.AppendRow({std::to_string(i % 1000), std::to_string(i), "x"}).ok());
  ASSERT_TRUE(w.Finish().ok());
  const auto dbf = ReadBytes(t / "t.dbf"), mdx = ReadBytes(t / "t.mdx");
  test_support::FaultEnv counting;
  ASSERT_TRUE(RewriteAll(&counting, t));
  const int64_t writes = counting.count(test_support::FaultEnv::kWrite);
  ASSERT_GT(writes, 3);
  for (int64_t n = 1; n <= writes; ++n) {
    dbase_test::WriteBytes(t / "t.dbf", dbf);
    dbase_test::WriteBytes(t / "t.mdx", mdx);
    test_support::FaultEnv failing;
    failing.Fail(test_support::FaultEnv::kWrite, n);
    EXPECT_FALSE(RewriteAll(&failing, t)) << "write " << n << " failed silently";
  }
}

}  // namespace
}  // namespace dbase
