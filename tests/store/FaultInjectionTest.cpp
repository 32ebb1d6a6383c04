// Faults injected through the platform interface: a failed block write,
// header write, flush, lock or file creation fails WriteRecord and leaves
// the header in the file as it was; the set stays readable and writable.
// A failed read, lock or open fails ReadRecord as the system's failure,
// told apart from an address where the files hold no record.
#include <gtest/gtest.h>

#include <algorithm>

#include "StoreTestUtil.h"
#include "store/Checker.h"
#include "store/jxmemo.h"
#include "tests/support/FaultEnv.h"

namespace store {
namespace {

using platform::Status;
using store_test::Bytes;
using testing_util::TempDir;

using test_support::FaultEnv;

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_ / "opisy.dat";
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path_, 500000));  // M = 720
    m.CompressRecords = false;
    first_ = store_test::RandomBytes(200000, 1);
    ASSERT_TRUE(m.WriteRecord(200000, firstAddress_, first_.data(), 0));
  }

  Bytes Header() {
    Bytes b = store_test::ReadBytes(path_);
    return Bytes(b.begin(), b.begin() + 1024);
  }

  // After a failure: the header is unchanged, the old record reads, a
  // new write succeeds and the check finds no damage.
  void ExpectRecovered(const Bytes& headerBefore) {
    EXPECT_EQ(headerBefore, Header());
    tjxmemo m;
    ASSERT_TRUE(m.Open(path_));
    int32_t size = 0, plain = 0, a = 0;
    const uint8_t* data = nullptr;
    ASSERT_TRUE(m.ReadRecord(size, firstAddress_, data, true, plain));
    EXPECT_EQ(first_, Bytes(data, data + size));
    Bytes b = store_test::TextBytes(70000, 9);
    ASSERT_TRUE(m.WriteRecord(70000, a, b.data(), 0)) << m.LastError();
    ASSERT_TRUE(m.ReadRecord(size, a, data, true, plain)) << m.LastError() << " at " << a;
    EXPECT_EQ(b, Bytes(data, data + size));
    CheckReport r;
    std::string why;
    ASSERT_TRUE(CheckSet(platform::Env::Default(), path_, &r, &why));
    EXPECT_TRUE(r.Clean()) << (r.Problems.empty() ? "" : r.Problems[0].Text);
  }

  TempDir dir_;
  std::string path_;
  Bytes first_;
  int32_t firstAddress_ = 0;
};

// A write that fails at any step leaves the header as it was, and the set
// readable and writable. A failed lock fails the reads of the same store
// too, as the system's failure.
TEST_F(FaultInjectionTest, FailedWriteLeavesTheHeaderAsItWas) {
  struct Case {
    const char* name;
    uint32_t op;
    int64_t nth;
    bool and_later;
    bool fill_base;  // the base file is full: the record needs opisy.001
  };
  // A 200,000-byte record is three blocks: three block writes and two links
  // between them, then the header's write.
  const Case cases[] = {
      {"write 1", FaultEnv::kWrite, 1, false, false},
      {"write 2", FaultEnv::kWrite, 2, false, false},
      {"write 3", FaultEnv::kWrite, 3, false, false},
      {"write 4", FaultEnv::kWrite, 4, false, false},
      {"write 5", FaultEnv::kWrite, 5, false, false},
      {"header write", FaultEnv::kWrite, 6, true, false},
      {"flush", FaultEnv::kFlush, 1, true, false},
      {"lock", FaultEnv::kLock, 1, true, false},
      {"continuation created", FaultEnv::kCreate, 1, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& e : std::filesystem::directory_iterator(dir_.dir())) {
      std::filesystem::remove(e.path());
    }
    SetUp();
    if (c.fill_base) {
      tjxmemo m;
      ASSERT_TRUE(m.Open(path_));
      m.CompressRecords = false;
      Bytes b = store_test::RandomBytes(262114, 2);
      int32_t a = 0;
      for (int i = 0; i < 2; ++i) ASSERT_TRUE(m.WriteRecord(262114, a, b.data(), 0));
      ASSERT_FALSE(std::filesystem::exists(dir_ / "opisy.001"));
    }
    const Bytes before = Header();
    FaultEnv env;
    tjxmemo m(&env);
    ASSERT_TRUE(m.Open(path_));
    m.CompressRecords = false;
    env.Fail(c.op, c.nth, c.and_later);
    int32_t size = 0, plain = 0, a = 0;
    const uint8_t* data = nullptr;
    const bool read = m.ReadRecord(size, firstAddress_, data, true, plain);
    EXPECT_EQ(read, c.op != FaultEnv::kLock);
    EXPECT_EQ(m.LastReadFailedBySystem(), !read) << m.LastError();
    Bytes b = store_test::RandomBytes(200000, 50);
    EXPECT_FALSE(m.WriteRecord(200000, a, b.data(), 0));
    EXPECT_GE(env.count(c.op), c.nth);
    m.CloseAll();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "opisy.001"));
    ExpectRecovered(before);
    EXPECT_EQ(std::filesystem::exists(dir_ / "opisy.001"), c.fill_base);
  }
}

TEST_F(FaultInjectionTest, SetMaxSizeWhenClosingFails) {
  Bytes before = Header();
  FaultEnv env;
  tjxmemo m(&env);
  ASSERT_TRUE(m.Open(path_));
  env.Fail(FaultEnv::kClose, 1, true);
  EXPECT_EQ(-1, m.SetMaxSize(0, ""));
  EXPECT_FALSE(m.IsOpen());
  EXPECT_EQ(before, Header());
  env.Heal();
  EXPECT_EQ(0, m.SetMaxSize(0, path_));  // works once closing does
}

TEST_F(FaultInjectionTest, DeferredFlushHappensOnceAtTheEnd) {
  FaultEnv env;
  tjxmemo m(&env);
  ASSERT_TRUE(m.Open(path_));
  Bytes b = store_test::TextBytes(3000, 4);
  int32_t a = 0;
  ASSERT_TRUE(m.WriteRecord(3000, a, b.data(), 0));
  EXPECT_EQ(1, env.count(FaultEnv::kFlush));  // flushed by default
  m.DeferFlush = true;
  env.ResetCounts();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(m.WriteRecord(3000, a, b.data(), 0));
  EXPECT_EQ(0, env.count(FaultEnv::kFlush));
  EXPECT_TRUE(m.FlushAll());
  EXPECT_EQ(1, env.count(FaultEnv::kFlush));
  // Writes left unflushed are flushed when the store closes.
  ASSERT_TRUE(m.WriteRecord(3000, a, b.data(), 0));
  env.ResetCounts();
  EXPECT_TRUE(m.CloseAll());
  EXPECT_EQ(1, env.count(FaultEnv::kFlush));
  env.Fail(FaultEnv::kFlush, 1, true);
  ASSERT_TRUE(m.Open(path_));
  m.DeferFlush = true;
  ASSERT_TRUE(m.WriteRecord(3000, a, b.data(), 0));
  EXPECT_FALSE(m.FlushAll());
  ASSERT_TRUE(m.WriteRecord(3000, a, b.data(), 0));
  EXPECT_FALSE(m.CloseAll());  // an unflushed private set is reported
  EXPECT_FALSE(m.IsOpen());
}

TEST_F(FaultInjectionTest, PrivateSetKeepsItsHeaderInMemoryUntilFlushAll) {
  Bytes before = Header();
  FaultEnv env;
  tjxmemo m(&env);
  ASSERT_TRUE(m.Open(path_));
  m.DeferFlush = true;
  env.ResetCounts();
  std::vector<std::pair<int32_t, Bytes>> written;
  for (uint32_t i = 0; i < 20; ++i) {
    // 600 KB that do not compress: the set moves on to file 1.
    Bytes b = store_test::RandomBytes(30000, i);
    int32_t a = 0;
    ASSERT_TRUE(m.WriteRecord(static_cast<int32_t>(b.size()), a, b.data(), 0));
    written.emplace_back(a, b);
  }
  EXPECT_EQ(0, env.count(FaultEnv::kLock));
  EXPECT_EQ(0, env.count(FaultEnv::kFlush));
  ASSERT_TRUE(std::filesystem::exists(dir_ / "opisy.001"));
  EXPECT_EQ(before, Header());  // the file still says file 0 is current
  // Reads of the same store see the records.
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  ASSERT_TRUE(m.ReadRecord(size, written[5].first, data, true, plain));
  EXPECT_EQ(written[5].second, Bytes(data, data + size));

  // Turning the switch off writes the header with the next record.
  m.DeferFlush = false;
  Bytes last = store_test::TextBytes(100, 99);
  int32_t a = 0;
  ASSERT_TRUE(m.WriteRecord(100, a, last.data(), 0));
  written.emplace_back(a, last);
  EXPECT_EQ(1, store_test::HeaderOf(path_).CurrentFile);
  m.CloseAll();

  tjxmemo fresh;
  ASSERT_TRUE(fresh.Open(path_));
  for (auto& [address, bytes] : written) {
    ASSERT_TRUE(fresh.ReadRecord(size, address, data, true, plain)) << fresh.LastError();
    EXPECT_EQ(bytes, Bytes(data, data + size));
  }
  // And a new record does not land on any of them.
  int32_t next = 0;
  ASSERT_TRUE(fresh.WriteRecord(100, next, last.data(), 0));
  EXPECT_GT(next, written.back().first);
  CheckReport r;
  std::string why;
  ASSERT_TRUE(CheckSet(platform::Env::Default(), path_, &r, &why));
  EXPECT_TRUE(r.Clean());
  EXPECT_EQ(23, r.Records);
}

// A private set gathers the blocks of consecutive records in memory. A
// record that fails on the way (here: its chain needs a continuation file
// that cannot be made) is dropped alone: the records before it reach the
// file and the next one takes its place.
TEST_F(FaultInjectionTest, FailedPrivateWriteLeavesNoTrace) {
  FaultEnv env;
  tjxmemo m(&env);
  ASSERT_TRUE(m.Open(path_));
  m.DeferFlush = true;
  m.CompressRecords = false;
  Bytes b = store_test::RandomBytes(200000, 3);
  int32_t a = 0, failed = 0;
  env.ResetCounts();
  ASSERT_TRUE(m.WriteRecord(200000, a, b.data(), 0));
  EXPECT_EQ(0, env.count(FaultEnv::kWrite));  // still in memory
  Bytes big = store_test::RandomBytes(400000, 4);
  env.Fail(FaultEnv::kCreate);
  EXPECT_FALSE(m.WriteRecord(400000, failed, big.data(), 0));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "opisy.001"));
  env.Heal();
  Bytes c = store_test::RandomBytes(150000, 5);
  int32_t ca = 0;
  ASSERT_TRUE(m.WriteRecord(150000, ca, c.data(), 0));
  EXPECT_EQ(failed, ca);  // the space of the failed record is used again
  ASSERT_TRUE(m.CloseAll());
  CheckReport r;
  std::string why;
  ASSERT_TRUE(CheckSet(platform::Env::Default(), path_, &r, &why));
  EXPECT_TRUE(r.Clean()) << (r.Problems.empty() ? "" : r.Problems[0].Text);
  EXPECT_EQ(3, r.Records);
  EXPECT_EQ(0, r.UnfinishedRecords);
  tjxmemo fresh;
  ASSERT_TRUE(fresh.Open(path_));
  for (const auto& [address, bytes] : {std::pair{a, b}, std::pair{ca, c}}) {
    int32_t size = 0, plain = 0;
    const uint8_t* data = nullptr;
    ASSERT_TRUE(fresh.ReadRecord(size, address, data, true, plain));
    EXPECT_EQ(bytes, Bytes(data, data + size));
  }
}

// When the write of gathered blocks fails, records already reported
// written are not in the file: flushing and closing the set say so.
TEST_F(FaultInjectionTest, FailedGatheredWriteFailsTheFlush) {
  for (bool flushFirst : {true, false}) {
    FaultEnv env;
    tjxmemo m(&env);
    ASSERT_TRUE(m.Open(path_));
    m.DeferFlush = true;
    Bytes b = store_test::TextBytes(3000, 4);
    int32_t a = 0;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(m.WriteRecord(3000, a, b.data(), 0));
    env.Fail(FaultEnv::kWrite);
    if (flushFirst) {
      EXPECT_FALSE(m.FlushAll());
    }
    EXPECT_FALSE(m.CloseAll());
    EXPECT_FALSE(m.IsOpen());
  }
}

TEST_F(FaultInjectionTest, DeferredFlushCoversEveryContinuationWritten) {
  FaultEnv env;
  tjxmemo m(&env);
  ASSERT_TRUE(m.Open(path_));
  m.CompressRecords = false;
  m.DeferFlush = true;
  Bytes b = store_test::RandomBytes(262114, 5);
  int32_t a = 0;
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(m.WriteRecord(262114, a, b.data(), 0));
  ASSERT_TRUE(std::filesystem::exists(dir_ / "opisy.002"));
  env.ResetCounts();
  EXPECT_TRUE(m.FlushAll());
  EXPECT_EQ(3, env.count(FaultEnv::kFlush));  // the base file, .001 and .002
}

// Turning the switch off flushes every file the private writes left
// unflushed, not only those the next write touches.
TEST_F(FaultInjectionTest, SwitchingDeferredFlushOffFlushesEarlierWrites) {
  FaultEnv env;
  tjxmemo m(&env);
  ASSERT_TRUE(m.Open(path_));
  m.CompressRecords = false;
  m.DeferFlush = true;
  Bytes b = store_test::RandomBytes(262114, 5);
  int32_t a = 0;
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(m.WriteRecord(262114, a, b.data(), 0));
  ASSERT_TRUE(std::filesystem::exists(dir_ / "opisy.002"));
  ASSERT_EQ(0, env.count(FaultEnv::kFlush));
  m.DeferFlush = false;
  ASSERT_TRUE(m.WriteRecord(3000, a, b.data(), 0));
  auto flushed = [&](const std::string& suffix) {
    for (const std::string& p : env.paths(FaultEnv::kFlush))
      if (p.size() >= suffix.size() &&
          p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0)
        return true;
    return false;
  };
  EXPECT_TRUE(flushed("opisy.dat"));
  EXPECT_TRUE(flushed("opisy.001"));
  EXPECT_TRUE(flushed("opisy.002"));
}

// A read the system fails is told apart from an address where the files
// hold no record; the same store reads again once the system does.
TEST_F(FaultInjectionTest, FailedReadIsTheSystemsNotTheRecords) {
  FaultEnv env;
  tjxmemo m(&env);
  ASSERT_TRUE(m.Open(path_));
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  env.Fail(FaultEnv::kRead, 1, true);
  EXPECT_FALSE(m.ReadRecord(size, firstAddress_, data, true, plain));
  EXPECT_TRUE(m.LastReadFailedBySystem());
  EXPECT_NE(m.LastError().find("injected failure: read "), std::string::npos) << m.LastError();
  EXPECT_NE(m.LastError().find("opisy.dat"), std::string::npos) << m.LastError();
  env.Heal();
  ASSERT_TRUE(m.ReadRecord(size, firstAddress_, data, true, plain)) << m.LastError();
  EXPECT_FALSE(m.LastReadFailedBySystem());
  EXPECT_EQ(first_, Bytes(data, data + size));

  // No record there: past the end of the file, outside the set, inside
  // another record's chain. A failed read before does not stick.
  for (int32_t address : {5000, -3, 999 * 720 + 5000, firstAddress_ + 1}) {
    env.Fail(FaultEnv::kRead, 1, true);
    EXPECT_FALSE(m.ReadRecord(size, firstAddress_, data, true, plain));
    env.Heal();
    EXPECT_FALSE(m.ReadRecord(size, address, data, true, plain)) << address;
    EXPECT_FALSE(m.LastReadFailedBySystem()) << address << ": " << m.LastError();
    EXPECT_FALSE(m.LastError().empty());
  }
}

// A held set keeps everybody else out of its files: its records are read
// without the lock byte, which a set opened shared takes for every read,
// and through a window that serves the records that follow, whatever the
// order they are asked for in and across continuation files.
TEST_F(FaultInjectionTest, HeldSetIsReadWithoutTheLockByteAndAhead) {
  std::vector<std::pair<int32_t, Bytes>> records{{firstAddress_, first_}};
  {
    tjxmemo m;
    ASSERT_TRUE(m.Open(path_));
    m.CompressRecords = false;
    for (uint32_t i = 0; i < 400; ++i) {
      Bytes b = store_test::RandomBytes(900 + i * 7 % 300, 100 + i);
      int32_t a = 0;
      ASSERT_TRUE(m.WriteRecord(static_cast<int32_t>(b.size()), a, b.data(), 0));
      records.emplace_back(a, b);
    }
    ASSERT_TRUE(std::filesystem::exists(dir_ / "opisy.001"));
  }
  for (bool held : {false, true}) {
    FaultEnv env;
    tjxmemo m(&env);
    ASSERT_TRUE(held ? m.OpenHeld(path_) : m.Open(path_)) << m.LastError();
    env.ResetCounts();
    auto readAll = [&] {
      for (const auto& [address, bytes] : records) {
        int32_t size = 0, plain = 0;
        const uint8_t* data = nullptr;
        ASSERT_TRUE(m.ReadRecord(size, address, data, true, plain)) << m.LastError();
        ASSERT_EQ(bytes, Bytes(data, data + size)) << address;
      }
    };
    readAll();
    EXPECT_EQ(held ? 0 : 401, env.count(FaultEnv::kLock)) << "held " << held;
    if (held) {
      EXPECT_LT(env.count(FaultEnv::kRead), 20);  // 600 KB in two files
    } else {
      EXPECT_GE(env.count(FaultEnv::kRead), 401);
    }
    std::reverse(records.begin(), records.end());
    readAll();
    std::reverse(records.begin(), records.end());
  }
}

// A continuation file that exists but cannot be opened is the system's
// failure; one that is not there means its records are not there either.
TEST_F(FaultInjectionTest, ContinuationThatCannotBeOpenedOrIsMissing) {
  int32_t later = 0;
  Bytes b = store_test::RandomBytes(262114, 2);
  {
    tjxmemo m;
    ASSERT_TRUE(m.Open(path_));
    m.CompressRecords = false;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(m.WriteRecord(262114, later, b.data(), 0));
    ASSERT_TRUE(std::filesystem::exists(dir_ / "opisy.001"));
    ASSERT_GT(later, 720);  // in file 1
  }
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  {
    FaultEnv env;
    env.Fail(FaultEnv::kOpen, 1, true, ".001");
    tjxmemo m(&env);
    ASSERT_TRUE(m.Open(path_));
    EXPECT_FALSE(m.ReadRecord(size, later, data, true, plain));
    EXPECT_TRUE(m.LastReadFailedBySystem()) << m.LastError();
    EXPECT_NE(m.LastError().find("opisy.001"), std::string::npos) << m.LastError();
    env.Heal();
    ASSERT_TRUE(m.ReadRecord(size, later, data, true, plain)) << m.LastError();
    EXPECT_EQ(b, Bytes(data, data + size));
  }
  {
    // Only reading allowed (a read-only file beside a writable base file):
    // the records are still there to read.
    FaultEnv env;
    env.Fail(FaultEnv::kOpenWrite | FaultEnv::kCreate, 1, true, ".001");
    tjxmemo m(&env);
    ASSERT_TRUE(m.Open(path_));
    ASSERT_TRUE(m.Writable());
    ASSERT_TRUE(m.ReadRecord(size, later, data, true, plain)) << m.LastError();
    EXPECT_EQ(b, Bytes(data, data + size));
  }
  std::filesystem::remove(dir_ / "opisy.001");
  tjxmemo m;
  ASSERT_TRUE(m.Open(path_));
  EXPECT_FALSE(m.ReadRecord(size, later, data, true, plain));
  EXPECT_FALSE(m.LastReadFailedBySystem()) << m.LastError();
  ASSERT_TRUE(m.ReadRecord(size, firstAddress_, data, true, plain));
  EXPECT_EQ(first_, Bytes(data, data + size));
}

// Continuation files that a failed close left open belong to their own set:
// a store opened afterwards on another set reads and writes that set's
// files, never the old ones.
TEST_F(FaultInjectionTest, FilesLeftOpenByAFailedCloseServeNoOtherSet) {
  Bytes b = store_test::RandomBytes(262114, 3);
  std::string other = dir_ / "inne.dat";
  int32_t otherOld = 0;
  {
    tjxmemo y;
    ASSERT_TRUE(y.CreateNew(other, 500000));
    y.CompressRecords = false;
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(y.WriteRecord(262114, otherOld, b.data(), 0));
    ASSERT_GT(otherOld, 720);  // in inne.001
  }
  FaultEnv env;
  tjxmemo m(&env);
  ASSERT_TRUE(m.Open(path_));
  m.CompressRecords = false;
  int32_t a = 0;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(m.WriteRecord(262114, a, b.data(), 0));
  ASSERT_GT(a, 720);  // opisy.001 is open now
  env.Fail(FaultEnv::kClose, 1, true);
  EXPECT_FALSE(m.CloseAll());
  env.Heal();
  const uint64_t ownSize = store_test::FileSize(dir_ / "opisy.001");

  ASSERT_TRUE(m.Open(other));
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  ASSERT_TRUE(m.ReadRecord(size, otherOld, data, true, plain)) << m.LastError();
  EXPECT_EQ(b, Bytes(data, data + size));
  Bytes c = store_test::RandomBytes(3000, 4);
  int32_t otherNew = 0;
  ASSERT_TRUE(m.WriteRecord(3000, otherNew, c.data(), 0)) << m.LastError();
  ASSERT_GT(otherNew, 720);
  ASSERT_TRUE(m.CloseAll());
  EXPECT_EQ(ownSize, store_test::FileSize(dir_ / "opisy.001"));
  tjxmemo fresh;
  ASSERT_TRUE(fresh.Open(other));
  ASSERT_TRUE(fresh.ReadRecord(size, otherNew, data, true, plain)) << fresh.LastError();
  EXPECT_EQ(c, Bytes(data, data + size));
}

}  // namespace
}  // namespace store
