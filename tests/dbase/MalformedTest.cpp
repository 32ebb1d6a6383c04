// Damaged tables and indexes: every one gives a clear Polish error or opens
// consistently, never crashes, and nothing is ever written to them.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "dbase/Table.h"
#include "dbase/TableWriter.h"
#include "platform/Coding.h"
#include "tests/dbase/Helpers.h"
#include "tests/platform/TempDir.h"

namespace dbase {
namespace {

using dbase_test::ReadBytes;
using dbase_test::WriteBytes;
using platform::Status;
using testing_util::TempDir;

void MakeTable(const TempDir& t, bool with_index) {
  TableLayout layout;
  layout.fields = {{"ID", 'C', 5}, {"ADRES", 'C', 8}, {"KWOTA", 'N', 8, 2}, {"DATA", 'D', 8}};
  if (with_index) layout.tags = {{"ADRES", "ADRES"}, {"IDADR", "ID+ADRES"}, {"KWOTA", "KWOTA"}};
  TableWriter w;
  ASSERT_TRUE(w.Create(t.dir(), "t.dbf", layout).ok());
  for (int i = 0; i < 150; ++i) {
    char adr[16];
    std::snprintf(adr, sizeof adr, "%08X", (i * 37) % 101);
    ASSERT_TRUE(
        w.AppendRow({std::to_string(i % 13), adr, std::to_string(i % 17) + ".5", "20200101"}).ok());
  }
  ASSERT_TRUE(w.Finish().ok());
}

// Opens (for writing ADRES when asked), reads every row and closes without
// posting; returns the open's status.
Status OpenAndRead(const TempDir& t, bool write) {
  Table table;
  table.SetDatabaseName(t.dir());
  table.SetTableName("t.dbf");
  if (write) table.SetWritableFields({"ADRES"});
  Status s = table.Open();
  if (!s.ok()) return s;
  for (table.First(); !table.Eof(); table.Next())
    for (int f = 0; f < static_cast<int>(table.Fields().size()); ++f) table.GetText(f);
  return table.Close();
}

TEST(MalformedTest, DamagedHeadersAndDescriptorsAreRefusedWithAReason) {
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"unknown version", [](auto& b) { b[0] = 0x30; }, "nieobsługiwany typ tabeli"},
      {"header length below one descriptor", [](auto& b) { platform::EncodeU16(&b[8], 40); },
       "za mała"},
      {"header length past the end", [](auto& b) { platform::EncodeU16(&b[8], 60000); },
       "poza koniec"},
      {"record length not the sum of fields",
       [](auto& b) { platform::EncodeU16(&b[10], static_cast<uint16_t>(b[10] + 1)); },
       "długość rekordu"},
      {"record count beyond the file", [](auto& b) { platform::EncodeU32(&b[4], 151); },
       "liczba rekordów"},
      {"huge record count", [](auto& b) { platform::EncodeU32(&b[4], 0xFFFFFFFF); },
       "liczba rekordów"},
      {"no terminator", [](auto& b) { b[32 + 4 * 32] = 'X'; }, ""},
      {"unknown field type", [](auto& b) { b[32 + 11] = 'Q'; }, "nieznany typ pola"},
      {"zero field length", [](auto& b) { b[32 + 16] = 0; }, "długość pola"},
      {"date of wrong length", [](auto& b) { b[32 + 3 * 32 + 16] = 9; }, ""},
      {"decimals beyond the length", [](auto& b) { b[32 + 2 * 32 + 17] = 7; },
       "miejsc dziesiętnych"},
      {"duplicate field name", [](auto& b) { std::memcpy(&b[32 + 32], "ID\0\0\0\0", 6); },
       "powtórzona"},
      {"empty field name", [](auto& b) { b[32] = 0; }, "bez nazwy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir t;
    MakeTable(t, false);
    auto bytes = ReadBytes(t / "t.dbf");
    c.damage(bytes);
    WriteBytes(t / "t.dbf", bytes);
    for (bool write : {false, true}) {
      Status s = OpenAndRead(t, write);
      ASSERT_FALSE(s.ok());
      EXPECT_NE(s.message().find("Uszkodzona tabela"), std::string::npos) << s.message();
      EXPECT_NE(s.message().find(c.reason), std::string::npos) << s.message();
    }
    EXPECT_EQ(ReadBytes(t / "t.dbf"), bytes);
  }
}

TEST(MalformedTest, EveryTruncatedTableIsRefused) {
  TempDir t;
  MakeTable(t, false);
  const auto full = ReadBytes(t / "t.dbf");
  // The last byte is the 0x1A end mark, which nobody needs.
  for (size_t len = 0; len + 1 < full.size(); len += len < 300 ? 1 : 97) {
    WriteBytes(t / "t.dbf", std::vector<uint8_t>(full.begin(), full.begin() + len));
    Status s = OpenAndRead(t, true);
    ASSERT_FALSE(s.ok()) << len;
    EXPECT_NE(s.message().find("Uszkodzona tabela"), std::string::npos) << s.message();
  }
  WriteBytes(t / "t.dbf", std::vector<uint8_t>(full.begin(), full.end() - 1));
  EXPECT_TRUE(OpenAndRead(t, true).ok());
}

TEST(MalformedTest, RandomDamageNeverCrashesNorWrites) {
  TempDir t;
  MakeTable(t, true);
  const auto dbf = ReadBytes(t / "t.dbf");
  const auto mdx = ReadBytes(t / "t.mdx");
  std::mt19937 rng(42);
  int opened = 0, refused = 0;
  for (int i = 0; i < 400; ++i) {
    auto d = dbf;
    auto m = mdx;
    // Damage the .dbf header or the .mdx's header, tag headers and nodes.
    const int flips = 1 + rng() % 4;
    for (int k = 0; k < flips; ++k) {
      if (rng() % 3 == 0) {
        d[rng() % 200] = static_cast<uint8_t>(rng());
      } else {
        m[rng() % m.size()] = static_cast<uint8_t>(rng());
      }
    }
    if (rng() % 10 == 0) m.resize(rng() % m.size());
    WriteBytes(t / "t.dbf", d);
    WriteBytes(t / "t.mdx", m);
    Status s = OpenAndRead(t, i % 2 == 0);
    (s.ok() ? opened : refused)++;
    if (!s.ok()) {
      ASSERT_FALSE(s.message().empty());
    }
    ASSERT_EQ(ReadBytes(t / "t.dbf"), d) << i;
    ASSERT_EQ(ReadBytes(t / "t.mdx"), m) << i;
  }
  EXPECT_GT(refused, 50);
  EXPECT_GT(opened, 10);
}

TEST(MalformedTest, DamagedIndexHeaderIsRefusedEvenForReading) {
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const std::vector<Case> cases = {
      {"unknown version", [](auto& b) { b[0] = 9; }},
      {"block size not pages per block", [](auto& b) { platform::EncodeU16(&b[22], 1000); }},
      {"more tags than slots", [](auto& b) { platform::EncodeU16(&b[28], 60); }},
      {"tag header outside the file", [](auto& b) { platform::EncodeU32(&b[544], 0x00FFFFFF); }},
      {"expression without end",
       [](auto& b) {
         uint32_t h = platform::DecodeU32(&b[544]) * 512;
         std::memset(&b[h + 24], 'A', 221);
       }},
      {"shorter than a header", [](auto& b) { b.resize(700); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir t;
    MakeTable(t, true);
    auto bytes = ReadBytes(t / "t.mdx");
    c.damage(bytes);
    WriteBytes(t / "t.mdx", bytes);
    Status s = OpenAndRead(t, false);
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.message().find("Uszkodzony plik indeksu"), std::string::npos) << s.message();
    EXPECT_EQ(ReadBytes(t / "t.mdx"), bytes);
  }
}

}  // namespace
}  // namespace dbase
