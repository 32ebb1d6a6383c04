// TableWriter's own rules: texts that do not fit are refused, existing
// files are never overwritten, memo blocks and index headers are laid out
// as dBASE lays them out.
#include "dbase/TableWriter.h"

#include <gtest/gtest.h>

#include "dbase/Table.h"

#include "platform/Coding.h"
#include "tests/dbase/Helpers.h"
#include "tests/platform/TempDir.h"

namespace dbase {
namespace {

using dbase_test::ReadBytes;
using platform::DecodeU16;
using platform::DecodeU32;
using platform::Status;
using testing_util::TempDir;

TEST(TableWriterTest, TextsThatDoNotFitAreRefusedNeverCut) {
  TempDir t;
  TableLayout layout;
  layout.fields = {{"A", 'C', 3}, {"N", 'N', 5, 1}, {"D", 'D', 8}, {"L", 'L', 1}};
  TableWriter w;
  ASSERT_TRUE(w.Create(t.dir(), "t.dbf", layout).ok());
  EXPECT_FALSE(w.AppendRow({"abcd", "", "", ""}).ok());
  EXPECT_FALSE(w.AppendRow({"a", "123456", "", ""}).ok());
  EXPECT_FALSE(w.AppendRow({"a", "1x", "", ""}).ok());
  EXPECT_FALSE(w.AppendRow({"a", "", "2024-01-01", ""}).ok());
  EXPECT_FALSE(w.AppendRow({"a", "", "", "X"}).ok());
  EXPECT_FALSE(w.AppendRow({"a", ""}).ok());
  ASSERT_TRUE(w.AppendRow({"abc", "-12.5", "20240101", "T"}).ok());
  ASSERT_TRUE(w.Finish().ok());
  auto b = ReadBytes(t / "t.dbf");
  const size_t hl = DecodeU16(&b[8]);
  EXPECT_EQ(DecodeU32(&b[4]), 1u);
  EXPECT_EQ(std::string(b.begin() + hl, b.begin() + hl + 18), " abc-12.520240101T");
  EXPECT_EQ(b.back(), 0x1A);
  EXPECT_EQ(b.size(), hl + 18 + 1);
}

TEST(TableWriterTest, ExistingFilesAndImpossibleLayoutsAreRefused) {
  TempDir t;
  TableLayout layout;
  layout.fields = {{"A", 'C', 3}};
  {
    TableWriter w;
    ASSERT_TRUE(w.Create(t.dir(), "t.dbf", layout).ok());
    ASSERT_TRUE(w.Finish().ok());
  }
  const auto before = ReadBytes(t / "t.dbf");
  TableWriter again;
  EXPECT_TRUE(again.Create(t.dir(), "t.dbf", layout).IsExists());
  EXPECT_EQ(ReadBytes(t / "t.dbf"), before);

  struct Case {
    const char* what;
    TableLayout layout;
  };
  TableLayout memo_without_dbt;
  memo_without_dbt.fields = {{"M", 'M', 10}};
  TableLayout no_fields;
  TableLayout long_name;
  long_name.fields = {{"BARDZODLUGANAZWA", 'C', 1}};
  TableLayout bad_length;
  bad_length.fields = {{"D", 'D', 6}};
  TableLayout level7_index;
  level7_index.version = 0x04;
  level7_index.fields = {{"A", 'C', 3}};
  level7_index.tags = {{"A", "A"}};
  TableLayout unknown_field_in_tag;
  unknown_field_in_tag.fields = {{"A", 'C', 3}};
  unknown_field_in_tag.tags = {{"B", "B"}};
  for (const Case& c :
       {Case{"memo field without memo file", memo_without_dbt}, Case{"no fields", no_fields},
        Case{"name too long", long_name}, Case{"date of six bytes", bad_length},
        Case{"index of a level 7 table", level7_index},
        Case{"tag on a missing field", unknown_field_in_tag}}) {
    SCOPED_TRACE(c.what);
    TableWriter w;
    Status s = w.Create(t.dir(), std::string(c.what).substr(0, 4) + ".dbf", c.layout);
    if (s.ok()) {
      ASSERT_TRUE(w.AppendRow(std::vector<std::string>(c.layout.fields.size())).ok());
      s = w.Finish();
    }
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.message().empty());
  }
}

TEST(TableWriterTest, MemoFilesOfBothFormats) {
  for (uint8_t version : {0x83, 0x8B}) {
    SCOPED_TRACE(static_cast<int>(version));
    TempDir t;
    TableLayout layout;
    layout.version = version;
    layout.memo_block_size = 64;  // used by the dBASE IV format only
    layout.fields = {{"ID", 'C', 2}, {"NOTA", 'M', 10}};
    TableWriter w;
    ASSERT_TRUE(w.Create(t.dir(), "Memo.DBF", layout).ok());
    ASSERT_TRUE(w.AppendRow({"1", std::string(100, 'x')}).ok());
    ASSERT_TRUE(w.AppendRow({"2", ""}).ok());
    ASSERT_TRUE(w.AppendRow({"3", "krótka"}).ok());
    ASSERT_TRUE(w.Finish().ok());
    EXPECT_EQ(w.DbtPath(), t / "Memo.DBT");
    auto dbf = ReadBytes(t / "Memo.DBF");
    auto dbt = ReadBytes(t / "Memo.DBT");
    const size_t hl = DecodeU16(&dbf[8]), rl = DecodeU16(&dbf[10]);
    auto field = [&](int row) {
      return std::string(dbf.begin() + hl + row * rl + 3, dbf.begin() + hl + row * rl + 13);
    };
    EXPECT_EQ(field(0), "         1");
    EXPECT_EQ(field(1), "          ");
    if (version == 0x83) {
      // 512-byte blocks, text ended by 1A 1A: 100+2 bytes fit block 1.
      EXPECT_EQ(field(2), "         2");
      EXPECT_EQ(DecodeU32(&dbt[0]), 3u);
      EXPECT_EQ(dbt.size(), 3u * 512);
      EXPECT_EQ(dbt[512 + 100], 0x1A);
      EXPECT_EQ(dbt[512 + 101], 0x1A);
    } else {
      // 64-byte blocks, 8-byte block header: 108 bytes take blocks 1-2.
      EXPECT_EQ(field(2), "         3");
      EXPECT_EQ(DecodeU16(&dbt[20]), 64);
      EXPECT_EQ(DecodeU32(&dbt[0]), 4u);
      EXPECT_EQ(std::string(dbt.begin() + 8, dbt.begin() + 12), "MEMO");
      EXPECT_EQ(DecodeU32(&dbt[64 + 4]), 108u);
      EXPECT_EQ(dbt[64], 0xFF);
      EXPECT_EQ(DecodeU32(&dbt[3 * 64 + 4]), 8u + 7u);  // "krótka" in UTF-8 is 7 bytes
    }
  }
}

// The writer names the memo file and index as the table engine looks for
// them, whatever the case of the table's extension, even without one.
TEST(TableWriterTest, WrittenCompanionsAreFoundWhenTheTableOpens) {
  struct Case {
    const char* table;
    const char* dbt;
    const char* mdx;
  };
  for (const Case& c : {Case{"a.dbf", "a.dbt", "a.mdx"}, Case{"B.DBF", "B.DBT", "B.MDX"},
                        Case{"c.Dbf", "c.dbt", "c.mdx"}, Case{"d", "d.dbt", "d.mdx"}}) {
    SCOPED_TRACE(c.table);
    TempDir t;
    TableLayout layout;
    layout.version = 0x8B;
    layout.memo_block_size = 64;
    layout.fields = {{"ID", 'C', 2}, {"NOTA", 'M', 10}};
    layout.tags = {{"ID", "ID"}};
    TableWriter w;
    ASSERT_TRUE(w.Create(t.dir(), c.table, layout).ok());
    ASSERT_TRUE(w.AppendRow({"1", "notatka"}).ok());
    ASSERT_TRUE(w.Finish().ok());
    EXPECT_EQ(w.DbtPath(), t / c.dbt);
    EXPECT_EQ(w.MdxPath(), t / c.mdx);

    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName(c.table);
    const Status s = table.Open();
    ASSERT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(table.DbtPath(), t / c.dbt);
    EXPECT_EQ(table.MdxPath(), t / c.mdx);
    ASSERT_TRUE(table.First().ok());
    EXPECT_EQ(table.GetText(0), "1");
  }
}

TEST(TableWriterTest, IndexHeaderAndTagTableAsDbaseWritesThem) {
  TempDir t;
  TableLayout layout;
  layout.language_driver = 0x57;
  layout.fields = {{"M", 'C', 2}, {"C", 'C', 2}, {"T", 'C', 2}, {"A", 'C', 2}, {"D", 'C', 2}};
  for (const char* n : {"M", "C", "T", "A", "D"}) layout.tags.push_back({n, n});
  layout.tags[2].expression = "T+A";  // not a single field
  TableWriter w;
  ASSERT_TRUE(w.Create(t.dir(), "t.dbf", layout).ok());
  ASSERT_TRUE(w.AppendRow({"1", "2", "3", "4", "5"}).ok());
  ASSERT_TRUE(w.Finish().ok());
  auto m = ReadBytes(t / "t.mdx");
  ASSERT_GE(m.size(), 2048u);
  EXPECT_EQ(m[0], 2);
  EXPECT_EQ(DecodeU16(&m[20]), 2);
  EXPECT_EQ(DecodeU16(&m[22]), 1024);
  EXPECT_EQ(m[24], 1);
  EXPECT_EQ(DecodeU16(&m[28]), 5);
  EXPECT_EQ(m[30], 6);
  EXPECT_EQ(m[31], 0x57);
  EXPECT_EQ(DecodeU32(&m[32]) * 512, m.size());
  EXPECT_EQ(m[529], 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&m[4])), "T");
  // Left, right and parent thread the tags into a search tree by name:
  // M at the root, C and T below it, A and D below C.
  const uint8_t links[5][3] = {{2, 3, 0}, {4, 5, 1}, {0, 0, 1}, {0, 0, 2}, {0, 0, 2}};
  for (int i = 0; i < 5; ++i) {
    const uint8_t* e = &m[544 + i * 32];
    EXPECT_EQ(e[16], links[i][0]) << i;
    EXPECT_EQ(e[17], links[i][1]) << i;
    EXPECT_EQ(e[18], links[i][2]) << i;
    EXPECT_EQ(e[15], 0x10);
    EXPECT_EQ(e[19], 0x02);
    EXPECT_EQ(e[20], 'C');
    const uint8_t* h = &m[DecodeU32(e) * 512];
    EXPECT_EQ(h[480], i == 2 ? 0 : 1);
    EXPECT_EQ(h[11], 0x57);
    EXPECT_EQ(DecodeU16(h + 18), i == 2 ? 8 : 8);
    EXPECT_EQ(DecodeU16(h + 14), 126);
  }
  // The table names its index, and single-field keys flag their field.
  auto d = ReadBytes(t / "t.dbf");
  EXPECT_EQ(d[28], 1);
  EXPECT_EQ(d[32 + 0 * 32 + 31], 1);
  EXPECT_EQ(d[32 + 2 * 32 + 31], 0);  // T only appears in T+A
}

}  // namespace
}  // namespace dbase
