// Production index: tags written by TableWriter and tags kept in step by
// posts, checked by the independent walker in MdxCheck.h; unaffected tags
// stay byte-identical; what cannot be reproduced is refused before any
// byte changes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <stdexcept>

#include "dbase/Collation.h"
#include "dbase/Table.h"
#include "dbase/TableWriter.h"
#include "platform/Coding.h"
#include "tests/dbase/Helpers.h"
#include "tests/dbase/MdxCheck.h"
#include "tests/platform/TempDir.h"

namespace dbase {
namespace {

using dbase_test::MdxCheck;
using dbase_test::ReadBytes;
using platform::Status;
using testing_util::TempDir;

struct Row {
  std::string id, adres, nazwa, kwota, data;
  bool deleted = false;
};

std::string Pad(const std::string& s, size_t n) {
  return s + std::string(n - s.size(), ' ');
}

// NAZWA is 92 wide so that ADRES+NAZWA makes 100-byte keys: 9 per node,
// three levels from a few hundred rows.
TableLayout Layout(uint8_t ldid, std::vector<TagLayout> tags) {
  TableLayout layout;
  layout.version = 0x8B;
  layout.language_driver = ldid;
  layout.fields = {{"ID", 'C', 5},       {"ADRES", 'C', 8}, {"NAZWA", 'C', 92},
                   {"KWOTA", 'N', 9, 2}, {"DATA", 'D', 8},  {"NOTA", 'M', 10}};
  layout.tags = std::move(tags);
  return layout;
}

std::vector<TagLayout> AllTags() {
  return {
      {"ADRES", "ADRES"},
      {"ADRDESC", "ADRES", "", false, true},
      {"ADRUNI", "ADRES", "", true},
      {"IDFOR", "ID", "LEFT(ADRES,1) = '0'"},
      {"WIDE", "ADRES+NAZWA"},
      {"IDADR", "ID+ADRES", ".NOT. DELETED()"},
      {"KWFOR", "KWOTA", "ADRES = '1'"},
      {"ID", "ID"},
      {"NAZWA", "UPPER(NAZWA)"},
      {"KWOTA", "KWOTA"},
      {"DATA", "DATA"},
  };
}

std::vector<Row> MakeRows(int n, std::mt19937* rng) {
  std::vector<Row> rows;
  for (int i = 0; i < n; ++i) {
    Row r;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%05d", static_cast<int>((*rng)() % 100));
    r.id = buf;
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>((*rng)() % 64));
    r.adres = buf;
    r.nazwa = "Nazwa " + std::to_string((*rng)() % 40);
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<int>((*rng)() % 2000 - 1000) / 100.0);
    r.kwota = buf;
    std::snprintf(buf, sizeof buf, "2%03d%02d%02d", static_cast<int>((*rng)() % 30),
                  static_cast<int>(1 + (*rng)() % 12), static_cast<int>(1 + (*rng)() % 28));
    r.data = buf;
    r.deleted = (*rng)() % 7 == 0;
    rows.push_back(r);
  }
  return rows;
}

void WriteTable(const TempDir& t, const TableLayout& layout, const std::vector<Row>& rows) {
  TableWriter w;
  ASSERT_TRUE(w.Create(t.dir(), "punkty.dbf", layout).ok());
  for (const Row& r : rows)
    ASSERT_TRUE(w.AppendRow({r.id, r.adres, r.nazwa, r.kwota, r.data, "n"}, r.deleted).ok());
  Status s = w.Finish();
  ASSERT_TRUE(s.ok()) << s.message();
}

// Entries every tag of AllTags() must hold for `rows`, C tags only (N and
// D tags are checked by record order).
std::vector<std::pair<std::string, uint32_t>> Expected(const std::string& tag,
                                                       const std::vector<Row>& rows) {
  std::vector<std::string> keys;
  std::vector<bool> cov;
  for (const Row& r : rows) {
    std::string nazwa = Pad(r.nazwa, 92), upper = nazwa;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool c = true;
    std::string k;
    if (tag == "ADRES" || tag == "ADRDESC" || tag == "ADRUNI") k = r.adres;
    if (tag == "IDFOR") k = r.id, c = r.adres[0] == '0';
    if (tag == "WIDE") k = Pad(r.adres, 8) + nazwa;
    if (tag == "IDADR") k = r.id + Pad(r.adres, 8), c = !r.deleted;
    if (tag == "ID") k = r.id;
    if (tag == "NAZWA") k = upper;
    if (k.size() < 8 && tag != "ID" && tag != "IDFOR") k = Pad(k, 8);
    keys.push_back(k);
    cov.push_back(c);
  }
  return dbase_test::ExpectedEntries(keys, cov, tag == "ADRUNI", tag == "ADRDESC");
}

void CheckAllTags(const TempDir& t, const std::vector<Row>& rows) {
  MdxCheck check;
  check.Walk(ReadBytes(t / "punkty.mdx"), static_cast<uint32_t>(rows.size()));
  for (const auto& p : check.problems) ADD_FAILURE() << p;
  ASSERT_EQ(check.tags.size(), AllTags().size());
  for (const auto& tag : check.tags) {
    SCOPED_TRACE(tag.name);
    if (tag.name == "ADRUNI") {
      // One entry per distinct key, each pointing at a row with that key.
      std::set<std::string> distinct;
      for (const Row& r : rows) distinct.insert(Pad(r.adres, 8));
      ASSERT_EQ(tag.entries.size(), distinct.size());
      auto it = distinct.begin();
      for (const auto& [key, recno] : tag.entries) {
        EXPECT_EQ(key, *it++);
        EXPECT_EQ(Pad(rows[recno - 1].adres, 8), key);
      }
    } else if (tag.type == 'C') {
      EXPECT_EQ(tag.entries, Expected(tag.name, rows));
    } else {
      // N and D: record order by value, equal values by record number.
      std::vector<uint32_t> want;
      for (uint32_t i = 1; i <= rows.size(); ++i)
        if (tag.name != "KWFOR" || rows[i - 1].adres[0] == '1') want.push_back(i);
      auto value = [&](uint32_t r) {
        return tag.type == 'D' ? std::stod(rows[r - 1].data) : std::stod(rows[r - 1].kwota);
      };
      std::stable_sort(want.begin(), want.end(),
                       [&](uint32_t a, uint32_t b) { return value(a) < value(b); });
      std::vector<uint32_t> got;
      for (const auto& e : tag.entries) got.push_back(e.second);
      EXPECT_EQ(got, want);
    }
  }
}

TEST(MdxTest, WrittenTagsPassTheIndependentWalk) {
  TempDir t;
  std::mt19937 rng(1);
  auto rows = MakeRows(400, &rng);
  WriteTable(t, Layout(0x57, AllTags()), rows);
  CheckAllTags(t, rows);
  MdxCheck check;
  check.Walk(ReadBytes(t / "punkty.mdx"), 400);
  for (const auto& tag : check.tags)
    if (tag.name == "WIDE") {
      EXPECT_EQ(tag.depth, 3);
    }
  const auto dbf = ReadBytes(t / "punkty.dbf");
  EXPECT_EQ(dbf[28], 1);  // production index flag

  Table table;
  table.SetDatabaseName(t.dir());
  table.SetTableName("PUNKTY.DBF");
  ASSERT_TRUE(table.Open().ok());
  auto tags = table.IndexTags();
  ASSERT_EQ(tags.size(), AllTags().size());
  EXPECT_EQ(tags[3].name, "IDFOR");
  EXPECT_EQ(tags[3].filter, "LEFT(ADRES,1) = '0'");
  EXPECT_TRUE(tags[1].descending);
  EXPECT_TRUE(tags[2].unique);
  EXPECT_EQ(tags[9].key_type, 'N');
}

// The set of pages each tag owns (header and nodes).
std::map<std::string, std::set<uint32_t>> TagPages(const std::vector<uint8_t>& mdx,
                                                   uint32_t count) {
  MdxCheck check;
  check.Walk(mdx, count);
  std::map<std::string, std::set<uint32_t>> out;
  for (const auto& t : check.tags) {
    out[t.name] = t.pages;
    out[t.name].insert(t.header_page);
  }
  return out;
}

TEST(MdxTest, PostsInEveryDirectionKeepAffectedTagsAndLeaveOthersUntouched) {
  TempDir t;
  std::mt19937 rng(7);
  const int n = 300;
  auto rows = MakeRows(n, &rng);
  WriteTable(t, Layout(0x00, AllTags()), rows);
  const auto original = ReadBytes(t / "punkty.mdx");
  const auto original_pages = TagPages(original, n);
  const std::set<std::string> affected = {"ADRES", "ADRDESC", "ADRUNI", "IDFOR",
                                          "WIDE",  "IDADR",   "KWFOR"};
  // Rounds: all rows to one key (leaves collapse to duplicates), keys rising
  // with the row, falling, random, then to keys outside every FOR filter
  // and back.
  int posts = 0;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    {
      Table table;
      table.SetDatabaseName(t.dir());
      table.SetTableName("punkty.dbf");
      table.SetWritableFields({"adres"});
      Status s = table.Open();
      ASSERT_TRUE(s.ok()) << s.message();
      const int f = table.FindField("ADRES");
      int i = 0;
      for (table.First(); !table.Eof(); table.Next(), ++i) {
        char buf[16];
        switch (round % 6) {
          case 0:
            std::snprintf(buf, sizeof buf, "00000000");
            break;
          case 1:
            std::snprintf(buf, sizeof buf, "%08X", i);
            break;
          case 2:
            std::snprintf(buf, sizeof buf, "1%07X", n - i);
            break;
          case 3:
            std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(rng() % 5000));
            break;
          case 4:
            std::snprintf(buf, sizeof buf, "F%X", static_cast<unsigned>(rng() % 3));
            break;
          default:
            std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(rng() % 40));
            break;
        }
        if (round >= 6 && rng() % 4 == 0) continue;  // leave some rows alone
        ASSERT_TRUE(table.Edit().ok());
        ASSERT_TRUE(table.SetText(f, buf).ok());
        ASSERT_TRUE(table.Post().ok());
        rows[i].adres = buf;
        ++posts;
      }
      s = table.Close();
      ASSERT_TRUE(s.ok()) << s.message();
    }
    CheckAllTags(t, rows);
    // Unaffected tags: their pages are byte-identical to the original, and
    // no page of theirs was taken by another tag.
    const auto now = ReadBytes(t / "punkty.mdx");
    const auto now_pages = TagPages(now, n);
    for (const auto& [name, pages] : original_pages) {
      if (affected.count(name)) continue;
      EXPECT_EQ(now_pages.at(name), pages) << name;
      for (uint32_t p : pages)
        ASSERT_EQ(0, std::memcmp(&now[p * 512ull], &original[p * 512ull], 1024)) << name << p;
    }
    // Every byte that changed belongs to an affected tag or to the header's
    // page count and date.
    std::set<uint32_t> allowed;
    for (const auto& m : {original_pages, now_pages})
      for (const auto& [name, pages] : m)
        if (affected.count(name))
          for (uint32_t p : pages) allowed.insert(p), allowed.insert(p + 1);
    for (size_t i = 0; i < std::min(now.size(), original.size()); ++i) {
      if (now[i] == original[i] || (i >= 32 && i < 36) || (i >= 44 && i < 47)) continue;
      ASSERT_TRUE(allowed.count(static_cast<uint32_t>(i / 512))) << "byte " << i;
    }
  }
  EXPECT_GT(posts, 3000);
}

// 0xC8, the usual mark of a code page 1250 table, names no driver whose
// order is published: only keys whose order every driver keeps are taken.
TEST(MdxTest, UnknownDriverRefusesKeysWhoseOrderItDecides) {
  TempDir t;
  std::mt19937 rng(3);
  auto rows = MakeRows(50, &rng);
  WriteTable(t, Layout(0xC8, {{"ADRES", "ADRES"}, {"NAZWA", "UPPER(NAZWA)"}}), rows);
  {
    // Hexadecimal addresses in capitals keep their order under any driver;
    // a lower-case key would be ordered by the driver's own table.
    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName("punkty.dbf");
    table.SetWritableFields({"ADRES"});
    ASSERT_TRUE(table.Open().ok());
    ASSERT_TRUE(table.Edit().ok());
    ASSERT_TRUE(table.SetText(1, "0000ab").ok());
    Status s = table.Post();  // lower case: order decided by the driver's table
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find("ADRES (ADRES)"), std::string::npos) << s.message();
    ASSERT_TRUE(table.SetText(1, "0000AB").ok());
    EXPECT_TRUE(table.Post().ok());
    ASSERT_TRUE(table.Close().ok());
  }
  MdxCheck check;
  check.Walk(ReadBytes(t / "punkty.mdx"), 50);
  EXPECT_TRUE(check.problems.empty());
  EXPECT_EQ(check.tags[0].entries.back(), std::make_pair(std::string("0000AB  "), 1u));

  // Keys with lower-case letters and a byte above 0x7F under that driver:
  // opening for writing NAZWA is refused before anything changes.
  TempDir t2;
  rows[5].nazwa =
      "\xA5r\xA2"
      "d\xB3o";
  WriteTable(t2, Layout(0x00, {{"NAZWA", "NAZWA"}}), rows);
  auto dbf = ReadBytes(t2 / "punkty.dbf");
  dbf[29] = 0xC8;
  dbase_test::WriteBytes(t2 / "punkty.dbf", dbf);
  const auto mdx2 = ReadBytes(t2 / "punkty.mdx");
  Table table;
  table.SetDatabaseName(t2.dir());
  table.SetTableName("punkty.dbf");
  table.SetWritableFields({"NAZWA"});
  Status s = table.Open();
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("NAZWA (NAZWA)"), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("sterownika"), std::string::npos) << s.message();
  EXPECT_EQ(ReadBytes(t2 / "punkty.dbf"), dbf);
  EXPECT_EQ(ReadBytes(t2 / "punkty.mdx"), mdx2);
  // Writing another field leaves that tag alone and is allowed.
  table.SetWritableFields({"ADRES"});
  EXPECT_TRUE(table.Open().ok());
}

// Patches the bytes of a tag header or node found by the checker.
struct Patch {
  TempDir& t;
  std::vector<uint8_t> mdx;
  MdxCheck check;
  Patch(TempDir& dir, uint32_t count) : t(dir), mdx(ReadBytes(dir / "punkty.mdx")) {
    check.Walk(mdx, count);
  }
  const dbase_test::CheckedTag& Tag(const std::string& name) {
    for (const auto& tag : check.tags)
      if (tag.name == name) return tag;
    throw std::runtime_error(name);
  }
  void Save() { dbase_test::WriteBytes(t / "punkty.mdx", mdx); }
};

Status OpenForWriting(const TempDir& t, const std::string& field) {
  Table table;
  table.SetDatabaseName(t.dir());
  table.SetTableName("punkty.dbf");
  table.SetWritableFields({field});
  return table.Open();
}

TEST(MdxTest, TagsThatCannotBeReproducedAreRefusedWithNameAndExpression) {
  std::mt19937 rng(11);
  auto rows = MakeRows(200, &rng);
  const std::vector<TagLayout> tags = {{"ADRES", "ADRES"}, {"WIDE", "ADRES+NAZWA"}, {"ID", "ID"}};
  struct Case {
    const char* what;
    std::function<void(Patch&)> damage;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"function we do not compute",
       [](Patch& p) {
         const char expr[] = "VAL(ADRES)";
         std::memcpy(&p.mdx[p.Tag("ADRES").header_page * 512 + 24], expr, sizeof expr);
       },
       "ADRES (VAL(ADRES))"},
      {"stale key",
       [](Patch& p) {
         uint32_t leaf = *p.Tag("ADRES").pages.begin();
         p.mdx[leaf * 512 + 8 + 4] ^= 0x01;
       },
       "ADRES (ADRES)"},
      {"key length that the expression does not give",
       [](Patch& p) { p.mdx[p.Tag("ADRES").header_page * 512 + 12] = 7; }, "ADRES (ADRES)"},
      {"root outside the file",
       [](Patch& p) {
         uint8_t* h = &p.mdx[p.Tag("WIDE").header_page * 512];
         h[0] = 0xF0, h[1] = 0xFF, h[2] = 0x0F;
       },
       "poza"},
      {"node on a tag header",
       [](Patch& p) {
         uint8_t* h = &p.mdx[p.Tag("WIDE").header_page * 512];
         const uint32_t other = p.Tag("ID").header_page;
         h[0] = static_cast<uint8_t>(other), h[1] = static_cast<uint8_t>(other >> 8), h[2] = 0;
       },
       "nagłówka"},
      {"keys that do not fit a node",
       [](Patch& p) { platform::EncodeU16(&p.mdx[p.Tag("ADRES").header_page * 512 + 14], 500); },
       "niespójne długości"},
      {"page count beyond the file",
       [](Patch& p) {
         platform::EncodeU32(&p.mdx[32], static_cast<uint32_t>(p.mdx.size() / 512 + 4));
       },
       "stron, a plik"},
      {"page count that would wrap to the file header",
       [](Patch& p) { platform::EncodeU32(&p.mdx[32], 0xFFFFFFFF); }, "stron, a plik"},
      {"free list far outside the file",
       [](Patch& p) { platform::EncodeU32(&p.mdx[36], 0xFFFFFFF0); }, "wolnych stron"},
      {"free list on a node of an unchanged tag",
       [](Patch& p) { platform::EncodeU32(&p.mdx[36], *p.Tag("ID").pages.begin()); },
       "wolnych stron"},
      {"unchanged tag whose node overlaps a node of a changed tag",
       [](Patch& p) {
         uint8_t* h = &p.mdx[p.Tag("ID").header_page * 512];
         platform::EncodeU32(h, p.Tag("ADRES").root + 1);  // its zero second half
       },
       "dzielą stronę"},
      {"unchanged tag that cannot even be walked for its pages",
       [](Patch& p) { platform::EncodeU32(&p.mdx[p.Tag("ID").header_page * 512], 0x00FFFFF0); },
       "znacznik ID"},
      {"loop in the tree",
       [](Patch& p) {
         const auto& tag = p.Tag("WIDE");
         uint8_t* root = &p.mdx[tag.root * 512];
         root[8] = static_cast<uint8_t>(tag.root);
         root[9] = static_cast<uint8_t>(tag.root >> 8);
         root[10] = root[11] = 0;
       },
       "pętla"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir t;
    WriteTable(t, Layout(0x00, tags), rows);
    Patch p(t, 200);
    c.damage(p);
    p.Save();
    const auto dbf = ReadBytes(t / "punkty.dbf");
    Status s = OpenForWriting(t, "ADRES");
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find(c.message), std::string::npos) << s.message();
    EXPECT_EQ(ReadBytes(t / "punkty.mdx"), p.mdx);
    EXPECT_EQ(ReadBytes(t / "punkty.dbf"), dbf);
    // Reading and writing a field no tag uses are still possible.
    EXPECT_TRUE(OpenForWriting(t, "KWOTA").ok());
  }
}

TEST(MdxTest, IndexIsFoundWhateverItsCaseAndRequiredWhenFlagged) {
  TempDir t;
  std::mt19937 rng(2);
  auto rows = MakeRows(10, &rng);
  WriteTable(t, Layout(0x00, {{"ADRES", "ADRES"}}), rows);
  ASSERT_EQ(std::rename((t / "punkty.mdx").c_str(), (t / "PUNKTY.MDX").c_str()), 0);
  ASSERT_TRUE(OpenForWriting(t, "ADRES").ok());
  ASSERT_EQ(std::remove((t / "PUNKTY.MDX").c_str()), 0);
  Table table;
  table.SetDatabaseName(t.dir());
  table.SetTableName("punkty.dbf");
  Status s = table.Open();
  EXPECT_TRUE(s.IsNotFound());
  EXPECT_EQ(s.message(), "Nie znaleziono pliku indeksu: " + (t / "punkty.mdx"));
}

}  // namespace
}  // namespace dbase

namespace dbase {
namespace {

// Byte 1 of a numeric key as the digit-count style writes it.
uint8_t DigitCountByte(const uint8_t* key) {
  int digits = 0;
  for (int i = 0; i < 20; ++i) {
    uint8_t d = i % 2 ? key[2 + i / 2] & 15 : key[2 + i / 2] >> 4;
    if (d) digits = i + 1;
  }
  if (digits == 0) return 0x01;
  return static_cast<uint8_t>((digits << 2) | 0x01 | (key[1] & 0x80));
}

TEST(MdxTest, NumericTagKeepsTheKeyStyleItWasWrittenWith) {
  std::mt19937 rng(5);
  auto rows = MakeRows(300, &rng);
  for (size_t i = 0; i < rows.size(); ++i) rows[i].adres[0] = i % 3 ? '0' : '1';
  for (bool consistent : {true, false}) {
    SCOPED_TRACE(consistent);
    TempDir t;
    WriteTable(t, Layout(0x00, {{"KWFOR", "KWOTA", "ADRES = '1'"}, {"ADRES", "ADRES"}}), rows);
    // Rewrite every key of the tag, interior ones too, in the other style.
    Patch p(t, 300);
    const auto& tag = p.Tag("KWFOR");
    for (uint32_t page : tag.pages) {
      uint8_t* node = &p.mdx[page * 512ull];
      const uint32_t n = node[0] | node[1] << 8;
      for (uint32_t i = 0; i < n; ++i) {
        uint8_t* key = node + 8 + i * tag.item_length + 4;
        key[1] = DigitCountByte(key);
      }
    }
    if (!consistent) p.mdx[*tag.pages.begin() * 512ull + 8 + 4 + 1] ^= 0x40;
    p.Save();
    {
      Table table;
      table.SetDatabaseName(t.dir());
      table.SetTableName("punkty.dbf");
      table.SetWritableFields({"ADRES"});
      Status s = table.Open();
      if (!consistent) {
        EXPECT_FALSE(s.ok());
        EXPECT_NE(s.message().find("KWFOR (KWOTA FOR ADRES = '1')"), std::string::npos)
            << s.message();
        continue;
      }
      ASSERT_TRUE(s.ok()) << s.message();
      int i = 0;
      for (table.First(); !table.Eof(); table.Next(), ++i) {
        if (i % 2) continue;
        ASSERT_TRUE(table.Edit().ok());
        rows[i].adres[0] = rows[i].adres[0] == '1' ? '0' : '1';
        ASSERT_TRUE(table.SetText(1, rows[i].adres).ok());
        ASSERT_TRUE(table.Post().ok());
      }
      ASSERT_TRUE(table.Close().ok());
    }
    MdxCheck check;
    check.Walk(ReadBytes(t / "punkty.mdx"), 300);
    for (const auto& pr : check.problems) ADD_FAILURE() << pr;
    const auto& kw = check.tags[0];
    std::vector<uint32_t> want;
    for (uint32_t r = 1; r <= rows.size(); ++r)
      if (rows[r - 1].adres[0] == '1') want.push_back(r);
    std::stable_sort(want.begin(), want.end(), [&](uint32_t a, uint32_t b) {
      return std::stod(rows[a - 1].kwota) < std::stod(rows[b - 1].kwota);
    });
    std::vector<uint32_t> got;
    for (const auto& [key, recno] : kw.entries) {
      got.push_back(recno);
      EXPECT_EQ(static_cast<uint8_t>(key[1]),
                DigitCountByte(reinterpret_cast<const uint8_t*>(key.data())));
    }
    EXPECT_EQ(got, want);
  }
}

}  // namespace
}  // namespace dbase

namespace dbase {
namespace {

// Index files in each node layout writers use: keys per node from 12 or
// 8 spare bytes, blocks of 1, 2 or 4 pages, unique and descending tags,
// trees of 1, 2 and 3 levels. Posts to the tag's field rebuild it in the
// file's own layout; the tag nobody changed keeps its bytes.
TEST(MdxTest, EveryNodeLayoutIsKeptInStepInTheFilesOwnLayout) {
  struct Case {
    size_t reserve;
    uint16_t ppb;
    bool unique, descending;
    int rows, levels;
  };
  std::vector<Case> cases;
  for (size_t reserve : {12, 8})
    for (int flags = 0; flags < 3; ++flags)
      for (auto [rows, levels] : {std::pair{100, 1}, {3000, 2}, {17000, 3}})
        cases.push_back({reserve, 2, flags == 1, flags == 2, rows, levels});
  cases.push_back({12, 1, false, false, 3000, 2});
  cases.push_back({8, 4, true, false, 3000, 2});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.reserve) + "/" + std::to_string(c.ppb) + " unique " +
                 std::to_string(c.unique) + " desc " + std::to_string(c.descending) + " rows " +
                 std::to_string(c.rows));
    TempDir t;
    TableLayout layout;
    layout.fields = {{"KOD", 'C', 4}, {"ID", 'C', 5}};
    layout.tags = {{"KOD", "KOD", "", c.unique, c.descending}, {"ID", "ID"}};
    layout.mdx = {c.ppb, c.reserve};
    std::vector<std::string> kod(static_cast<size_t>(c.rows));
    {
      TableWriter w;
      ASSERT_TRUE(w.Create(t.dir(), "k.dbf", layout).ok());
      for (int i = 0; i < c.rows; ++i) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", (i * 40503) & 0xFFFF);  // distinct
        kod[static_cast<size_t>(i)] = buf;
        ASSERT_TRUE(w.AppendRow({buf, std::to_string(i % 997)}).ok());
      }
      ASSERT_TRUE(w.Finish().ok());
    }
    const auto before = ReadBytes(t / "k.mdx");
    const auto pages_before = TagPages(before, static_cast<uint32_t>(c.rows));
    {
      Table table;
      table.SetDatabaseName(t.dir());
      table.SetTableName("k.dbf");
      table.SetWritableFields({"KOD"});
      Status s = table.Open();
      ASSERT_TRUE(s.ok()) << s.message();
      int i = 0;
      for (table.First(); !table.Eof(); table.Next(), ++i) {
        if (i % 10) continue;
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", (i * 40503 + 1) & 0xFFFF);
        kod[static_cast<size_t>(i)] = buf;
        ASSERT_TRUE(table.Edit().ok());
        ASSERT_TRUE(table.SetText(0, buf).ok());
        ASSERT_TRUE(table.Post().ok());
      }
      ASSERT_TRUE(table.Close().ok());
    }
    const auto after = ReadBytes(t / "k.mdx");
    MdxCheck check;
    check.Walk(after, static_cast<uint32_t>(c.rows));
    for (const auto& p : check.problems) ADD_FAILURE() << p;
    ASSERT_EQ(check.tags.size(), 2u);
    const auto& tag = check.tags[0];
    EXPECT_EQ(tag.item_length, 8u);
    EXPECT_EQ(tag.max_keys, (c.ppb * 512u - c.reserve) / 8);
    EXPECT_EQ(tag.depth, c.levels);
    std::vector<bool> all(kod.size(), true);
    if (!c.unique) {
      EXPECT_EQ(tag.entries, dbase_test::ExpectedEntries(kod, all, false, c.descending));
    } else {
      // One entry per distinct key, in key order, each naming a row with it.
      EXPECT_EQ(tag.entries.size(), std::set<std::string>(kod.begin(), kod.end()).size());
      for (size_t i = 0; i < tag.entries.size(); ++i) {
        EXPECT_EQ(kod[tag.entries[i].second - 1], tag.entries[i].first);
        if (i > 0) {
          EXPECT_LT(tag.entries[i - 1].first, tag.entries[i].first);
        }
      }
    }
    for (uint32_t p : pages_before.at("ID"))
      ASSERT_EQ(0, std::memcmp(&after[p * 512ull], &before[p * 512ull], c.ppb * 512u)) << p;
  }
}

// A header that counts fewer pages than the file holds (some writers leave
// it behind): new nodes still go past the real end, never over a page in
// use, and the count is set right.
TEST(MdxTest, PageCountBelowTheFileIsRepairedNotWrittenOver) {
  TempDir t;
  std::mt19937 rng(13);
  auto rows = MakeRows(400, &rng);
  WriteTable(t, Layout(0x00, AllTags()), rows);
  auto mdx = ReadBytes(t / "punkty.mdx");
  platform::EncodeU32(&mdx[32], static_cast<uint32_t>(mdx.size() / 512 - 5));
  dbase_test::WriteBytes(t / "punkty.mdx", mdx);
  {
    Table table;
    table.SetDatabaseName(t.dir());
    table.SetTableName("punkty.dbf");
    table.SetWritableFields({"ADRES"});
    ASSERT_TRUE(table.Open().ok());
    int i = 0;
    for (table.First(); !table.Eof(); table.Next(), ++i) {
      rows[i].adres = "A" + std::to_string(i);  // a key per row: the unique tag grows
      ASSERT_TRUE(table.Edit().ok());
      ASSERT_TRUE(table.SetText(1, rows[i].adres).ok());
      ASSERT_TRUE(table.Post().ok());
    }
    ASSERT_TRUE(table.Close().ok());
  }
  CheckAllTags(t, rows);
  EXPECT_GT(ReadBytes(t / "punkty.mdx").size(), mdx.size());
}

TEST(CollationTest, DriversWithPublishedTablesAndTiedBytes) {
  // The Polish driver orders its letters as the alphabet does.
  const Collation& pl = CollationFor(0x23);
  ASSERT_EQ(pl.kind, Collation::Kind::kWeights);
  const std::string alphabet =
      "A\xA4"
      "BC\x8F"
      "DE\xA8"
      "FGHIJKL\x9D"
      "MN\xE3"
      "O\xE0"
      "PRS\x97"
      "TUWYZ\x8D\xBD";
  for (size_t i = 1; i < alphabet.size(); ++i)
    EXPECT_LT(pl.SortByte(static_cast<uint8_t>(alphabet[i - 1])),
              pl.SortByte(static_cast<uint8_t>(alphabet[i])))
        << i;
  for (uint8_t id : {0x00, 0x57}) EXPECT_EQ(CollationFor(id).kind, Collation::Kind::kBinary);
  for (uint8_t id : {0x09, 0x0A, 0x19, 0x1A, 0x1B, 0x1F, 0x22, 0x23, 0x37, 0x87})
    EXPECT_EQ(CollationFor(id).kind, Collation::Kind::kWeights) << int(id);
  for (uint8_t id : {0x01, 0x02, 0x03, 0x58, 0x64, 0x69, 0xC8})
    EXPECT_EQ(CollationFor(id).kind, Collation::Kind::kUnknown) << int(id);
  EXPECT_FALSE(pl.Knows(0));  // a NUL's place is not published
  // Two bytes of one weight: keys holding either are refused, others not.
  uint8_t w[256];
  for (int i = 0; i < 256; ++i) w[i] = static_cast<uint8_t>(i);
  w[0xE1] = 0xE0;
  const Collation tied = MakeWeightCollation("test", w);
  EXPECT_FALSE(tied.Knows(0xE0));
  EXPECT_FALSE(tied.Knows(0xE1));
  EXPECT_TRUE(tied.Knows(0xE2));
}

}  // namespace
}  // namespace dbase
