// The databases of the engine's tests and what checks them: tables with
// description files made by the generator (SmallTable, Make) or written
// record by record where a test needs exact bytes and awkward rows
// (WriteJob), snapshots of a directory, a table's rows, the check of a
// finished division, and a database after a kept division.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dbase/Table.h"
#include "dbase/TableWriter.h"
#include "engine/Common.h"
#include "engine/Divider.h"
#include "engine/EngineError.h"
#include "engine/Planner.h"
#include "store/Checker.h"
#include "store/jxmemo.h"
#include "tests/platform/TempDir.h"
#include "tests/support/Backdate.h"
#include "tools/demodb/DemoDatabase.h"

namespace engine_test {

namespace fs = std::filesystem;

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// name -> bytes of every regular file directly in dir.
using Snapshot = std::map<std::string, std::string>;
inline Snapshot Snap(const std::string& dir) {
  Snapshot s;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.is_regular_file()) s[e.path().filename().string()] = ReadBytes(e.path().string());
  }
  return s;
}

// The old files of a backup directory: everything but the lists of the
// references a run could not copy and the backup's description, which a
// run writes beside them.
inline Snapshot OldFilesIn(const std::string& dir) {
  Snapshot s = Snap(dir);
  std::erase_if(s, [](const auto& kv) {
    return kv.first.rfind("nieskopiowane-", 0) == 0 || kv.first == "podzial-kopia.ini";
  });
  return s;
}

// The rows a dropped-reference list names, in order.
inline std::vector<std::string> ListedRows(const std::string& list) {
  std::vector<std::string> rows;
  std::istringstream in(ReadBytes(list));
  bool body = false;
  for (std::string line; std::getline(in, line);) {
    if (body) rows.push_back(line.substr(0, line.find('\t')));
    if (line.rfind("wiersz\t", 0) == 0) body = true;
  }
  return rows;
}

// The message a division (or its dry run) of `info` fails with; "" when it
// succeeds.
inline std::string DivisionError(const engine::TDividerInfo& info,
                                 platform::Env* env = platform::Env::Default()) {
  engine::TDivider d(info, env);
  std::string used;
  try {
    d.Divide("", used);
  } catch (const engine::EngineError& e) {
    return e.what();
  }
  return "";
}
inline std::string PlanError(const engine::TDividerInfo& info,
                             platform::Env* env = platform::Env::Default()) {
  try {
    engine::Planner(env).PlanJob(info);
  } catch (const engine::EngineError& e) {
    return e.what();
  }
  return "";
}

// Makes the working directories in `dir` (and the files directly in them)
// look as if made `seconds` ago: a run that died long ago, not one that is
// starting.
inline void AgeWorkDirs(const std::string& dir, int seconds) {
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (!e.is_directory() || name.rfind("tmp", 0) != 0) continue;
    for (const auto& f : fs::directory_iterator(e.path()))
      EXPECT_TRUE(test_support::Backdate(f.path().string(), seconds));
    EXPECT_TRUE(test_support::Backdate(e.path().string(), seconds));
  }
}

// Equal snapshots, or which names differ (never the bytes themselves).
inline testing::AssertionResult SameFiles(const Snapshot& got, const Snapshot& want) {
  std::string diff;
  for (const auto& [name, bytes] : want) {
    auto it = got.find(name);
    if (it == got.end()) {
      diff += " missing " + name + ";";
    } else if (it->second != bytes) {
      diff += " changed " + name + ";";
    }
  }
  for (const auto& [name, bytes] : got) {
    if (!want.count(name)) diff += " extra " + name + ";";
  }
  if (diff.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << diff;
}

// Subdirectories of dir whose names start with prefix.
inline std::vector<std::string> Subdirs(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (e.is_directory() && n.rfind(prefix, 0) == 0) out.push_back(n);
  }
  return out;
}

struct TableRow {
  std::string address, id;
  bool deleted = false;
};

inline std::vector<TableRow> ReadRows(const std::string& dir, const std::string& table,
                                      const std::string& field) {
  dbase::Table t;
  t.SetDatabaseName(dir);
  t.SetTableName(table);
  platform::Status s = t.Open();
  EXPECT_TRUE(s.ok()) << s.ToString();
  std::vector<TableRow> rows;
  if (!s.ok()) return rows;
  const int a = t.FindField(field), id = t.FindField("ID");
  EXPECT_TRUE(t.First().ok());
  while (!t.Eof()) {
    rows.push_back({t.GetText(a), id >= 0 ? t.GetText(id) : "", t.Deleted()});
    EXPECT_TRUE(t.Next().ok());
  }
  return rows;
}

inline demodb::TableOptions SmallTable(const std::string& dir, uint32_t rows = 60) {
  demodb::TableOptions o;
  o.dir = dir;
  o.table_name = "opisy.dbf";
  o.data_name = "opisy.dat";
  o.rows = rows;
  o.mean_record = 3000;
  // More awkward rows than a real table, so that a small one has them all.
  o.empty = o.marker = o.zero = o.dangling = o.deleted = o.shared = 0.06;
  return o;
}

// The division of the SmallTable in `dir` with a 1 MB limit, so that
// continuation files appear.
inline engine::TDividerInfo Job(const std::string& dir, bool keep) {
  engine::TDividerInfo info;
  info.TableFile = dir + "opisy.dbf";
  info.DataFile = dir + "opisy.dat";
  info.AddressField = "OPISTOP";
  info.MaxSize = 1;
  info.CheckID = true;
  info.KeepOld = keep;
  return info;
}

inline demodb::Generated Make(const demodb::TableOptions& o) {
  demodb::Generated g;
  platform::Status s = demodb::GenerateTable(o, &g);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return g;
}

// Checks a finished division of a table generated as `g`: the new table in
// `dir`, the old files in `old_dir`, limit `max_mb`.
inline void ExpectDivided(const std::string& dir, const std::string& old_dir,
                          const demodb::TableOptions& o, const demodb::Generated& g, int max_mb,
                          bool check_id = true) {
  const auto rows = ReadRows(dir, o.table_name, o.address_field);
  ASSERT_EQ(rows.size(), g.rows.size());
  store::tjxmemo old_store, new_store;
  ASSERT_TRUE(old_store.Open(old_dir + o.data_name)) << old_store.LastError();
  ASSERT_TRUE(new_store.Open(dir + o.data_name)) << new_store.LastError();
  std::set<int32_t> new_addresses;
  for (size_t i = 0; i < rows.size(); ++i) {
    const demodb::GeneratedRow& want = g.rows[i];
    const TableRow& got = rows[i];
    SCOPED_TRACE("row " + std::to_string(i + 1) + " address '" + want.address_text + "'");
    EXPECT_EQ(got.deleted, want.deleted);
    EXPECT_EQ(got.id, want.id);
    if (want.address_text.empty() || (check_id && want.id == std::string(5, '\xFF'))) {
      EXPECT_EQ(got.address, want.address_text);  // untouched
    } else if (want.address == 0) {
      EXPECT_EQ(got.address, "00000000");
    } else if (!want.readable) {
      EXPECT_EQ(got.address, "");  // the reference is dropped
    } else {
      ASSERT_EQ(got.address.size(), 8u);
      EXPECT_EQ(got.address, engine::IntToHex8(engine::HexToInt(got.address)));
      const int32_t na = engine::HexToInt(got.address);
      EXPECT_TRUE(new_addresses.insert(na).second) << "two rows share a new record";
      int32_t s1 = 0, p1 = 0, s2 = 0, p2 = 0;
      const uint8_t *d1 = nullptr, *d2 = nullptr;
      ASSERT_TRUE(old_store.ReadRecord(s1, want.address, d1, false, p1));
      const std::string old_bytes(reinterpret_cast<const char*>(d1), s1);
      ASSERT_TRUE(new_store.ReadRecord(s2, na, d2, false, p2)) << new_store.LastError();
      if (p1 > 0) {
        // Stored compressed: travels unchanged, never unpacked.
        EXPECT_EQ(s2, s1);
        EXPECT_EQ(p2, p1);
        EXPECT_TRUE(std::string(reinterpret_cast<const char*>(d2), s2) == old_bytes);
      }
      // Either way the record reads back as it was.
      ASSERT_TRUE(old_store.ReadRecord(s1, want.address, d1, true, p1));
      const std::string old_plain(reinterpret_cast<const char*>(d1), s1);
      ASSERT_TRUE(new_store.ReadRecord(s2, na, d2, true, p2));
      EXPECT_TRUE(std::string(reinterpret_cast<const char*>(d2), s2) == old_plain);
    }
  }
  // Every new file within the limit, the set sound.
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (e.is_regular_file() && engine::IsDescriptionSetFile(n, o.data_name) && max_mb > 0) {
      EXPECT_LE(fs::file_size(e.path()), uint64_t(max_mb) << 20) << n;
    }
  }
  store::CheckReport report;
  std::string why;
  ASSERT_TRUE(store::CheckSet(platform::Env::Default(), dir + o.data_name, &report, &why)) << why;
  EXPECT_TRUE(report.Clean()) << (report.Problems.empty() ? "" : report.Problems[0].Text);
  EXPECT_TRUE(Subdirs(dir, "tmp").empty());
}

// Every regular file below dir, relative path -> content.
inline std::map<std::string, std::string> FileTree(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) {
      out[std::filesystem::relative(e.path(), dir).generic_string()] = ReadBytes(e.path().string());
    }
  }
  return out;
}

// Record contents: i-th record of a seed, sizes spread over every block
// class and past the largest one; every third is random (incompressible).
inline std::string RecordBytes(uint32_t seed, int i) {
  static const int kSizes[] = {40, 990, 3012, 5000, 20000, 70000, 262114, 300000, 1500};
  const int size = kSizes[i % 9] + (i * 37) % 200;
  std::mt19937 gen(seed * 7919u + static_cast<uint32_t>(i));
  std::string s(static_cast<size_t>(size), '\0');
  if (i % 3 == 0) {
    for (char& c : s) c = static_cast<char>(gen());
  } else {
    const std::string words[] = {"punkt ", "osnowy ", "opis ", "kamień ", "ul. Polna "};
    for (size_t k = 0; k < s.size(); ++k) s[k] = words[(k / 7 + gen() % 2) % 5][k % 6];
  }
  return s;
}

// A description file of `count` records; the first half is stored
// compressed (where it shrinks), the second half plain. Returns addresses.
inline std::vector<int32_t> WriteDescriptionFile(const std::string& path, int count,
                                                 uint32_t seed) {
  store::tjxmemo s;
  EXPECT_TRUE(s.CreateNew(path, 0)) << s.LastError();
  std::vector<int32_t> addresses;
  for (int i = 0; i < count; ++i) {
    s.CompressRecords = i < count / 2;
    const std::string bytes = RecordBytes(seed, i);
    int32_t address = 0;
    EXPECT_TRUE(s.WriteRecord(static_cast<int32_t>(bytes.size()), address,
                              reinterpret_cast<const uint8_t*>(bytes.data()), 0))
        << s.LastError();
    addresses.push_back(address);
  }
  s.CloseAll();
  return addresses;
}

struct RowSpec {
  std::string id, address;
};

// Rows over the records: every record once in a shuffled order, one twice,
// plus an empty address, a marker row, an address 0, an unreadable address
// and a lower-case address.
inline std::vector<RowSpec> MixedRows(const std::vector<int32_t>& addresses) {
  std::vector<RowSpec> rows;
  for (size_t i = 0; i < addresses.size(); ++i) {
    const size_t k = (i * 5 + 3) % addresses.size();
    rows.push_back({"R" + std::to_string(i), engine::IntToHex8(addresses[k])});
  }
  if (addresses.empty()) return rows;
  rows.push_back({"DUP", engine::IntToHex8(addresses[0])});
  rows.push_back({"EMPTY", ""});
  rows.push_back({std::string(5, '\xFF'), engine::IntToHex8(addresses[1 % addresses.size()])});
  rows.push_back({"ZERO", "0"});
  rows.push_back({"BAD", "7FFFFF"});
  std::string lower = engine::IntToHex8(addresses.back());
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  rows.push_back({"LOWER", lower});
  return rows;
}

// A table dir/name with fields ID, the address field and a note, an .mdx
// with a tag on the address field.
inline void WriteTable(const std::string& dir, const std::string& name, const std::string& field,
                       const std::vector<RowSpec>& rows) {
  dbase::TableLayout layout;
  layout.version = 0x03;
  layout.fields = {{"ID", 'C', 5}, {field, 'C', 10}, {"NAZWA", 'C', 12}};
  layout.tags = {{"ADR", field}};
  dbase::TableWriter w;
  ASSERT_TRUE(w.Create(dir, name, layout).ok());
  int n = 0;
  for (const auto& r : rows) {
    ASSERT_TRUE(w.AppendRow({r.id, r.address, "wiersz " + std::to_string(++n)}).ok());
  }
  ASSERT_TRUE(w.Finish().ok());
}

// A table and its description file in dir; returns the record addresses.
inline std::vector<int32_t> WriteJob(const std::string& dir, const std::string& table,
                                     const std::string& data, const std::string& field, int records,
                                     uint32_t seed) {
  std::filesystem::create_directories(dir);
  std::vector<int32_t> addresses = WriteDescriptionFile(dir + data, records, seed);
  WriteTable(dir, table, field, MixedRows(addresses));
  return addresses;
}

inline void WriteFile(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// A database after a kept Tolm-like division: the divided files in place,
// the old ones in old123. The old description file carries its tag so the
// restorer knows it for one.
struct TolmLayout {
  testing_util::TempDir tmp;
  std::string db = tmp.dir();
  std::string backup = tmp / "old123/";
  TolmLayout() { Write(db); }
  static void Write(const std::string& db) {
    const std::string backup = db + "old123/";
    WriteFile(db + "opisy.dbf", "new table");
    WriteFile(db + "opisy.mdx", "new index");
    WriteFile(db + "opisy.dat", "RAS1 new base");
    WriteFile(db + "opisy.001", "new continuation 1");
    WriteFile(db + "opisy.002", "new continuation 2");
    WriteFile(db + "opisyv.dbf", "new table v");
    WriteFile(db + "opisyv.dat", "RAS1 new v");
    WriteFile(db + "inne.dbf", "not part of the division");
    WriteFile(backup + "opisy.dbf", "old table");
    WriteFile(backup + "opisy.mdx", "old index");
    WriteFile(backup + "opisy.dat", "RAS0 old base");
    WriteFile(backup + "opisy.txt", "note moved with the stem");
    WriteFile(backup + "opisyv.dbf", "old table v");
    WriteFile(backup + "opisyv.dat", "RAS0 old v");
  }
};

// The description files of a set as they lie in dir: name -> size.
inline std::map<std::string, uint64_t> SetFiles(const std::string& dir,
                                                const std::string& data_name) {
  const std::string stem = data_name.substr(0, data_name.rfind('.'));
  std::map<std::string, uint64_t> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    const bool continuation = name.size() == stem.size() + 4 && name.rfind(stem + ".", 0) == 0 &&
                              std::all_of(name.begin() + static_cast<long>(stem.size()) + 1,
                                          name.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (e.is_regular_file() && (name == data_name || continuation)) {
      out[name] = fs::file_size(e.path());
    }
  }
  return out;
}

}  // namespace engine_test
