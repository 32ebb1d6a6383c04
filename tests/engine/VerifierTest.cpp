// The read-back check before the commit: a faithful copy passes; a damaged
// record, a wrong address in the table or a wrong limit is caught with the
// row and the address; and through a whole division, a record damaged on
// its way to the working directory stops the run before any old file moves.
#include "engine/Verifier.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "dbase/Table.h"
#include "engine/Common.h"
#include "engine/Divider.h"
#include "engine/EngineError.h"
#include "platform/Interrupt.h"
#include "store/Format.h"
#include "store/jxmemo.h"
#include "tests/engine/Databases.h"
#include "tests/platform/TempDir.h"
#include "tests/support/FaultEnv.h"

namespace {

namespace fs = std::filesystem;
using engine::EngineError;
using engine::IntToHex8;
using engine::Verifier;
using testing_util::TempDir;

constexpr int32_t kLimit = 1 << 20;  // 1 MB: several files

// A copy as the row loop makes it: every record of a source file written to
// a new set in `dir`, a table of the new addresses plus a row with address
// 0 and one whose reference was dropped, all noted in the verifier.
struct CopiedSet {
  TempDir tmp;
  std::string data = tmp / "opisy.dat";
  std::string table = tmp / "opisy.dbf";
  std::vector<int32_t> new_addresses;
  std::vector<int32_t> plain_sizes;
  Verifier verifier;

  CopiedSet() {
    fs::create_directories(tmp / "src");
    std::vector<int32_t> old = engine_test::WriteDescriptionFile(tmp / "src/opisy.dat", 24, 5);
    store::tjxmemo source, target;
    EXPECT_TRUE(source.Open(tmp / "src/opisy.dat"));
    EXPECT_TRUE(target.CreateNew(data, 0));
    target.SplitDepth = 9;
    target.SetMaxSize(kLimit, "");
    std::vector<engine_test::RowSpec> rows;
    for (size_t i = 0; i < old.size(); ++i) {
      int32_t size = 0, plain = 0, address = 0;
      const uint8_t* bytes = nullptr;
      EXPECT_TRUE(source.ReadRecord(size, old[i], bytes, false, plain));
      EXPECT_TRUE(target.WriteRecord(size, address, bytes, plain));
      verifier.AddRecord(static_cast<uint32_t>(i + 1), address, bytes, size, plain);
      new_addresses.push_back(address);
      plain_sizes.push_back(plain);
      rows.push_back({"R" + std::to_string(i), IntToHex8(address)});
    }
    target.CloseAll();
    rows.push_back({"ZERO", "00000000"});
    verifier.AddRow(static_cast<uint32_t>(rows.size()), "00000000");
    rows.push_back({"GONE", ""});
    verifier.AddRow(static_cast<uint32_t>(rows.size()), "");
    rows.push_back({"SKIP", ""});  // never converted: not checked
    engine_test::WriteTable(tmp.dir(), "opisy.dbf", "OPISTOP", rows);
  }

  void FlipByte(const std::string& path, uint64_t offset) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(static_cast<std::streamoff>(offset));
    char c = 0;
    f.get(c);
    f.seekp(static_cast<std::streamoff>(offset));
    f.put(static_cast<char>(c ^ 0x5A));
  }

  // Path and offset of the first payload byte of a record.
  std::pair<std::string, uint64_t> PayloadOf(int32_t address) {
    const int32_t m = (std::max(kLimit, 1000000) - 262144) / 1024;
    if (address <= m) return {data, static_cast<uint64_t>(address) * 1024 + 30};
    const int32_t n = address / m;
    char ext[8];
    std::snprintf(ext, sizeof ext, "%03d", n);
    return {tmp / (std::string("opisy.") + ext),
            static_cast<uint64_t>(address - n * m) * 1024 + 30};
  }

  std::string VerifyError(int32_t limit = kLimit) {
    try {
      verifier.Verify(data, table, "OPISTOP", limit);
    } catch (const EngineError& e) {
      return e.what();
    }
    return "";
  }
};

TEST(VerifierTest, FaithfulCopyPasses) {
  CopiedSet s;
  ASSERT_TRUE(fs::exists(s.tmp / "opisy.001")) << "the set should span several files";
  EXPECT_EQ(s.VerifyError(), "");
  EXPECT_EQ(s.verifier.RecordCount(), 24u);
}

// The verification tells how far it got, ending at its total, and stops
// at an interrupt like the row loop does.
TEST(VerifierTest, ProgressRunsToItsTotalAndAnInterruptStopsIt) {
  CopiedSet s;
  std::vector<std::pair<uint64_t, uint64_t>> calls;
  s.verifier.SetProgress([&](uint64_t done, uint64_t total) { calls.emplace_back(done, total); });
  EXPECT_EQ(s.VerifyError(), "");
  ASSERT_FALSE(calls.empty());
  const uint64_t total = calls.back().second;
  EXPECT_GE(total, 24u + 24u);
  EXPECT_EQ(calls.back().first, total);
  for (size_t i = 1; i < calls.size(); ++i) EXPECT_LE(calls[i - 1].first, calls[i].first);

  platform::RequestInterrupt();
  const std::string msg = s.VerifyError();
  platform::ClearInterrupt();
  EXPECT_EQ(msg, engine::kMsgInterrupted);
}

TEST(VerifierTest, DamagedRecordIsCaughtWithRowAndAddress) {
  // One record that arrived compressed, one that arrived plain and was
  // compressed by the writer, one in a continuation file.
  CopiedSet probe;
  std::vector<size_t> picks = {0, probe.new_addresses.size() - 1};
  for (size_t i = 0; i < probe.plain_sizes.size(); ++i) {
    if (probe.plain_sizes[i] > 0) {
      picks.push_back(i);
      break;
    }
  }
  for (size_t k : picks) {
    SCOPED_TRACE(k);
    CopiedSet s;
    auto [path, offset] = s.PayloadOf(s.new_addresses[k]);
    s.FlipByte(path, offset + 3);
    const std::string msg = s.VerifyError();
    EXPECT_EQ(msg.rfind(engine::kMsgVerifyFailed, 0), 0u) << msg;
    EXPECT_NE(msg.find("wiersz " + std::to_string(k + 1) + ","), std::string::npos) << msg;
    EXPECT_NE(msg.find(IntToHex8(s.new_addresses[k])), std::string::npos) << msg;
  }
}

TEST(VerifierTest, TableAndSetMismatchesAreCaught) {
  {
    CopiedSet s;  // a row holding another address than was written
    fs::create_directories(s.tmp / "t2");
    engine_test::WriteTable(
        s.tmp / "t2/", "opisy.dbf", "OPISTOP",
        {{"R0", IntToHex8(s.new_addresses[0])}, {"R1", IntToHex8(s.new_addresses[2])}});
    s.table = s.tmp / "t2/opisy.dbf";
    const std::string msg = s.VerifyError();
    EXPECT_NE(msg.find("wiersz 2,"), std::string::npos) << msg;
  }
  {
    CopiedSet s;  // rows missing from the table
    fs::remove(s.table);
    fs::remove(s.tmp / "opisy.mdx");
    engine_test::WriteTable(s.tmp.dir(), "opisy.dbf", "OPISTOP",
                            {{"R0", IntToHex8(s.new_addresses[0])}});
    EXPECT_NE(s.VerifyError().find("brak wiersza"), std::string::npos);
  }
  {
    CopiedSet s;  // a zero row that lost its text
    fs::remove(s.table);
    fs::remove(s.tmp / "opisy.mdx");
    std::vector<engine_test::RowSpec> rows;
    for (int32_t a : s.new_addresses) rows.push_back({"R", IntToHex8(a)});
    rows.push_back({"ZERO", ""});
    engine_test::WriteTable(s.tmp.dir(), "opisy.dbf", "OPISTOP", rows);
    EXPECT_NE(s.VerifyError().find("zamiast \"00000000\""), std::string::npos);
  }
  {
    CopiedSet s;  // a limit other than the one asked for
    EXPECT_NE(s.VerifyError(0).find("limit"), std::string::npos);
    EXPECT_NE(s.VerifyError(650 << 20).find("limit"), std::string::npos);
  }
  {
    CopiedSet s;  // the last file cut short
    auto [last, offset] = s.PayloadOf(s.new_addresses.back());
    fs::resize_file(last, offset + 10);
    EXPECT_NE(s.VerifyError().find(IntToHex8(s.new_addresses.back())), std::string::npos);
  }
}

// Damages the new files in the working directory `dir` once they are
// flushed, that is between the row loop and the verification: flips a byte
// of the record at address 1, or rewrites the address of the table's first
// or last row (the last one comes after rows that got no record). Returns
// the address of the record damaged.
enum What { kRecord, kFirstRow, kLastRow, kLastRecord };
int32_t Damage(What what, const std::string& dir) {
  platform::Env* env = platform::Env::Default();
  dbase::Table t(env);
  t.SetDatabaseName(dir.substr(0, dir.size() - 1));
  t.SetTableName("opisy.dbf");
  if (what == kFirstRow || what == kLastRow) t.SetWritableFields({"OPISTOP"});
  EXPECT_TRUE(t.Open().ok());
  EXPECT_TRUE(t.First().ok());
  if (what == kLastRow || what == kLastRecord) {
    while (t.RecNo() < t.RecordCount()) EXPECT_TRUE(t.Next().ok());
  }
  if (what == kFirstRow || what == kLastRow) {
    EXPECT_TRUE(t.Edit().ok());
    EXPECT_TRUE(t.SetText(t.FindField("OPISTOP"), "00000002").ok());
    EXPECT_TRUE(t.Post().ok());
    EXPECT_TRUE(t.Close().ok());
    return 0;
  }
  // The record of the table's last row, wherever the limit put it.
  const int32_t address =
      what == kLastRecord ? engine::HexToInt(t.GetText(t.FindField("OPISTOP"))) : 1;
  store::Location loc{0, 1024};
  EXPECT_TRUE(store::MapAddress(address, store::FileHeader::LimitFromBytes(1 << 20), &loc));
  const std::string path =
      loc.File == 0 ? dir + "opisy.dat" : store::ContinuationName(dir + "opisy.", loc.File);
  std::unique_ptr<platform::File> f;
  EXPECT_TRUE(env->OpenFile(path, platform::OpenMode::kReadWriteShared, &f).ok());
  uint8_t b = 0;
  size_t got = 0;
  EXPECT_TRUE(f->ReadAt(loc.Offset + 30 + 7, &b, 1, &got).ok());
  b ^= 0x01;
  EXPECT_TRUE(f->WriteAt(loc.Offset + 30 + 7, &b, 1).ok());
  return address;
}

// A division whose first directory flush, the working directory's after
// the row loop, is preceded by the damage.
struct DamagedDivision {
  DamagedDivision(What what, const engine::TDividerInfo& info) : divider(info, &env) {
    env.Fail(test_support::FaultEnv::kSync, 1);
    env.at_fail = [this, what] {
      damaged = Damage(what, env.paths(test_support::FaultEnv::kSync).back());
    };
  }
  test_support::FaultEnv env;
  engine::TDivider divider;
  std::optional<int32_t> damaged;
};

TEST(VerifierTest, DivisionStopsBeforeTheCommitWhenItsNewFilesAreDamaged) {
  for (What what : {kRecord, kFirstRow, kLastRow, kLastRecord}) {
    SCOPED_TRACE(what);
    TempDir tmp;
    engine_test::WriteJob(tmp.dir(), "opisy.dbf", "opisy.dat", "OPISTOP", 12, 3);
    const auto before = engine_test::FileTree(tmp.dir());
    engine::TDividerInfo info{tmp / "opisy.dbf", "OPISTOP", tmp / "opisy.dat", 1, true, true};
    DamagedDivision d(what, info);
    std::string used = "unchanged";
    try {
      d.divider.Divide("", used);
      FAIL() << "the damage went unnoticed";
    } catch (const EngineError& e) {
      const std::string msg = e.what();
      EXPECT_EQ(msg.rfind(engine::kMsgVerifyFailed, 0), 0u) << msg;
      // 12 rows with records, a duplicate, empty, marker, zero, unreadable,
      // and the last row with a record again.
      const std::string where = what == kLastRow ? "wiersz 18, adres "
                                : what == kLastRecord
                                    ? "wiersz 18, adres " + IntToHex8(d.damaged.value_or(0))
                                    : "wiersz 1, adres 00000001";
      EXPECT_NE(msg.find(where), std::string::npos) << msg;
    }
    EXPECT_TRUE(d.damaged);
    EXPECT_EQ(engine_test::FileTree(tmp.dir()), before) << "old files touched or tmp dir left";
    EXPECT_EQ(used, "unchanged");
  }
  // Without the verification the same damage reaches the commit.
  TempDir tmp;
  engine_test::WriteJob(tmp.dir(), "opisy.dbf", "opisy.dat", "OPISTOP", 12, 3);
  engine::TDividerInfo info{tmp / "opisy.dbf", "OPISTOP", tmp / "opisy.dat", 1, true, false};
  DamagedDivision d(kRecord, info);
  d.divider.SetVerify(false);
  std::string used;
  EXPECT_NO_THROW(d.divider.Divide("", used));
  EXPECT_TRUE(d.damaged);
}

}  // namespace
