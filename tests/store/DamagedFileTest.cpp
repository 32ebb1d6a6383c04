// Damaged and hostile files: every broken chain, length and header fails
// the call cleanly, releases the lock, and leaves the store usable.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "StoreTestUtil.h"
#include "store/Checker.h"
#include "store/jxmemo.h"

namespace store {
namespace {

using store_test::Bytes;
using testing_util::TempDir;

#define EXPECT_CLEAN_FAILURE(address) ExpectCleanFailure(address, __LINE__)

class DamagedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_ / "opisy.dat";
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path_, 0));
    m.CompressRecords = false;
    good_ = store_test::RandomBytes(700, 1);
    int32_t a = 0;
    ASSERT_TRUE(m.WriteRecord(700, a, good_.data(), 0));
    ASSERT_EQ(1, a);
    chained_ = store_test::RandomBytes(5000, 2);  // class 3 at 2, class 1 at 6
    ASSERT_TRUE(m.WriteRecord(5000, a, chained_.data(), 0));
    ASSERT_EQ(2, a);
  }

  BlockHeader Block(int32_t address) {
    return store_test::BlockHeaderAt(path_, static_cast<uint64_t>(address) * 1024);
  }
  void SetBlock(int32_t address, const BlockHeader& b) {
    store_test::PutBlockHeader(path_, static_cast<uint64_t>(address) * 1024, b);
  }

  // Reads `address` with a fresh store: false expected, then the good
  // record must still read, and a second store must get the lock.
  void ExpectCleanFailure(int32_t address, int line, bool asStoredToo = true) {
    SCOPED_TRACE("called from line " + std::to_string(line));
    tjxmemo m;
    ASSERT_TRUE(m.Open(path_));
    int32_t size = -1, plain = -1;
    const uint8_t* data = nullptr;
    for (bool unpack : {true, false}) {
      if (!unpack && !asStoredToo) continue;
      EXPECT_FALSE(m.ReadRecord(size, address, data, unpack, plain));
      EXPECT_EQ(-1, size);
      EXPECT_EQ(nullptr, data);
      EXPECT_FALSE(m.LastError().empty());
      // Damage is "no record here", never a failure of the system.
      EXPECT_FALSE(m.LastReadFailedBySystem()) << m.LastError();
    }
    tjxmemo other;
    ASSERT_TRUE(other.Open(path_));
    ASSERT_TRUE(other.ReadRecord(size, 1, data, true, plain));
    EXPECT_EQ(good_, Bytes(data, data + size));
  }

  TempDir dir_;
  std::string path_;
  Bytes good_, chained_;
};

TEST_F(DamagedFileTest, ChainThatLoops) {
  BlockHeader tail = Block(6);
  tail.Next = 2;
  SetBlock(6, tail);
  EXPECT_CLEAN_FAILURE(2);
  BlockHeader self = Block(1);
  self.Next = 1;
  self.PayloadLength = 1;
  self.PlainLength = 1000000;
  SetBlock(1, self);
  tjxmemo m;
  ASSERT_TRUE(m.Open(path_));
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  EXPECT_FALSE(m.ReadRecord(size, 1, data, true, plain));
}

TEST_F(DamagedFileTest, ChainReachingAnotherOwnerOrNowhere) {
  BlockHeader first = Block(2);
  first.Next = 1;  // record 1's block
  SetBlock(2, first);
  EXPECT_CLEAN_FAILURE(2);
  for (int32_t bad : {0, -7, 5000000, 4}) {  // 4 is inside the class-3 block
    first.Next = bad;
    SetBlock(2, first);
    EXPECT_CLEAN_FAILURE(2);
  }
}

TEST_F(DamagedFileTest, BadLengthsInBlockHeaders) {
  BlockHeader tail = Block(6);
  BlockHeader b = tail;
  b.PayloadLength = 0;  // zero-length payload
  SetBlock(6, b);
  EXPECT_CLEAN_FAILURE(2);
  b.PayloadLength = 995;  // above the class-1 capacity
  SetBlock(6, b);
  EXPECT_CLEAN_FAILURE(2);
  b.PayloadLength = 900;  // the chain now delivers fewer bytes than 5,000
  SetBlock(6, b);
  EXPECT_CLEAN_FAILURE(2);
  SetBlock(6, tail);

  BlockHeader first = Block(2);
  for (int32_t plain : {0, -1, INT32_MAX}) {
    b = first;
    b.PlainLength = plain;
    SetBlock(2, b);
    EXPECT_CLEAN_FAILURE(2);
  }
  // "Compressed" with a plain length far beyond what 5,000 bytes can expand
  // to: refused before anything of that size is allocated.
  b = first;
  b.StoredLength = 5000;
  b.PlainLength = INT32_MAX;
  SetBlock(2, b);
  EXPECT_CLEAN_FAILURE(2);
  b.PlainLength = 6000;  // plausible length, but the bytes are no zlib stream
  SetBlock(2, b);
  ExpectCleanFailure(2, __LINE__, /*asStoredToo=*/false);
  b.StoredLength = -3;
  SetBlock(2, b);
  EXPECT_CLEAN_FAILURE(2);
}

TEST_F(DamagedFileTest, BlockClassOutsideTheHeader) {
  BlockHeader first = Block(2);
  for (uint16_t k : {0, 10, 65535}) {
    first.Class = k;
    SetBlock(2, first);
    EXPECT_CLEAN_FAILURE(2);
  }
}

TEST_F(DamagedFileTest, WriterWorksAfterAFailedRead) {
  BlockHeader tail = Block(6);
  tail.Next = 2;
  SetBlock(6, tail);
  tjxmemo m;
  ASSERT_TRUE(m.Open(path_));
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  EXPECT_FALSE(m.ReadRecord(size, 2, data, true, plain));
  Bytes b = store_test::TextBytes(3000, 5);
  int32_t a = 0;
  ASSERT_TRUE(m.WriteRecord(3000, a, b.data(), 0));
  ASSERT_TRUE(m.ReadRecord(size, a, data, true, plain));
  EXPECT_EQ(b, Bytes(data, data + size));
}

// A header with one class of 1 KB blocks, as another writer may use: a
// record becomes a long chain, and a loop far down it is still caught.
TEST(LongChainTest, OneClassHeaderAndALoopFarDown) {
  TempDir dir;
  std::string path = dir / "one.dat";
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 0));
  }
  FileHeader h = store_test::HeaderOf(path);
  h.ClassCount = 1;
  h.HeaderLength = 40 + 12;
  store_test::PutHeader(path, h);
  tjxmemo m;
  ASSERT_TRUE(m.Open(path)) << m.LastError();
  m.CompressRecords = false;
  Bytes b = store_test::RandomBytes(50000, 1);  // 51 blocks
  int32_t a = 0, size = 0, plain = 0;
  ASSERT_TRUE(m.WriteRecord(50000, a, b.data(), 0));
  const uint8_t* data = nullptr;
  ASSERT_TRUE(m.ReadRecord(size, a, data, true, plain)) << m.LastError();
  EXPECT_EQ(b, Bytes(data, data + size));
  EXPECT_EQ(1024u * 52, store_test::FileSize(path));
  BlockHeader last = store_test::BlockHeaderAt(path, 51 * 1024);
  ASSERT_EQ(-1, last.Next);
  last.Next = 40;
  store_test::PutBlockHeader(path, 51 * 1024, last);
  tjxmemo again;
  ASSERT_TRUE(again.Open(path));
  EXPECT_FALSE(again.ReadRecord(size, a, data, true, plain));
  EXPECT_NE(std::string::npos, again.LastError().find("pętla")) << again.LastError();
}

// Every prefix of a small set opens and reads cleanly or fails cleanly; a
// read that succeeds delivers the record's own bytes.
TEST(TruncationTest, EveryPrefixOpensOrFailsCleanly) {
  TempDir dir;
  std::string path = dir / "o.dat";
  std::vector<std::pair<int32_t, Bytes>> written;
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 0));
    for (uint32_t i = 0; i < 6; ++i) {
      Bytes b = (i % 2) ? store_test::RandomBytes(300 + 1500 * i, i)
                        : store_test::TextBytes(3000 * (i + 1), i);
      int32_t a = 0;
      ASSERT_TRUE(m.WriteRecord(static_cast<int32_t>(b.size()), a, b.data(), 0));
      written.emplace_back(a, b);
    }
  }
  Bytes full = store_test::ReadBytes(path);
  std::string cut = dir / "cut.dat";
  for (size_t n = 0; n <= full.size(); n += (n < 1100 ? 1 : 61)) {
    store_test::WriteBytes(cut, Bytes(full.begin(), full.begin() + static_cast<long>(n)));
    tjxmemo m;
    if (!m.Open(cut)) {
      EXPECT_LT(n, 148u);
      continue;
    }
    for (auto& [address, bytes] : written) {
      int32_t size = 0, plain = 0;
      const uint8_t* data = nullptr;
      if (m.ReadRecord(size, address, data, true, plain)) {
        ASSERT_EQ(bytes, Bytes(data, data + size)) << "prefix " << n << " address " << address;
      }
    }
    CheckReport r;
    std::string why;
    EXPECT_TRUE(CheckSet(platform::Env::Default(), cut, &r, &why)) << why;
    if (n == full.size()) {
      EXPECT_TRUE(r.Clean());
    }
  }
}

// A set with a limit (M = 720) holding records of three blocks (class 9,
// 3 and 1) in the base file and in .001; each kind of damage, at each place
// a block can be, must be reported by the integrity check at the damaged
// block's address.
class CheckerDamageTest : public ::testing::Test {
 protected:
  static constexpr int32_t kLimit = 720;

  void SetUp() override {
    base_ = dir_ / "opisy.dat";
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(base_, 500000));
    m.CompressRecords = false;
    Bytes b = store_test::RandomBytes(262114 + 5000, 3);
    for (int i = 0; i < 4; ++i) {
      int32_t a = 0;
      ASSERT_TRUE(m.WriteRecord(static_cast<int32_t>(b.size()), a, b.data(), 0));
      records_.push_back(a);
    }
  }

  std::string PathOf(int32_t address, uint64_t* offset) const {
    Location loc;
    EXPECT_TRUE(MapAddress(address, kLimit, &loc));
    *offset = loc.Offset;
    return loc.File == 0 ? base_ : ContinuationName(BaseNameOf(base_), loc.File);
  }
  BlockHeader Block(int32_t address) const {
    uint64_t off = 0;
    std::string path = PathOf(address, &off);
    return store_test::BlockHeaderAt(path, off);
  }
  void SetBlock(int32_t address, const BlockHeader& b) const {
    uint64_t off = 0;
    std::string path = PathOf(address, &off);
    store_test::PutBlockHeader(path, off, b);
  }
  std::vector<int32_t> Chain(int32_t address) const {
    std::vector<int32_t> out;
    for (int32_t a = address; a != -1 && out.size() < 10; a = Block(a).Next) out.push_back(a);
    return out;
  }
  CheckReport Check() const {
    CheckReport r;
    std::string why;
    EXPECT_TRUE(CheckSet(platform::Env::Default(), base_, &r, &why)) << why;
    return r;
  }
  static bool Reported(const CheckReport& r, int32_t address, const std::string& text = "") {
    for (const CheckProblem& p : r.Problems)
      if (p.Address == address && p.Text.find(text) != std::string::npos) return true;
    return false;
  }
  static std::string Listing(const CheckReport& r) {
    std::string s;
    for (const CheckProblem& p : r.Problems) s += std::to_string(p.Address) + ": " + p.Text + "\n";
    return s;
  }

  TempDir dir_;
  std::string base_;
  std::vector<int32_t> records_;
};

TEST_F(CheckerDamageTest, EveryDamageKindAtEveryPlaceIsReported) {
  const std::vector<int32_t> a = Chain(records_[0]), other = Chain(records_[1]),
                             cont = Chain(records_[3]);
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(cont.size(), 3u);
  ASSERT_GT(cont[1], kLimit);  // the fourth record lies in .001
  EXPECT_TRUE(Check().Clean()) << Listing(Check());
  struct Kind {
    const char* name;
    std::function<void(BlockHeader&)> damage;
  };
  const std::vector<Kind> kinds = {
      {"owner far outside the file", [](BlockHeader& b) { b.Owner = 0x7FFFFF00; }},
      {"owner that is another complete record", [&](BlockHeader& b) { b.Owner = other[0]; }},
      {"class out of range", [](BlockHeader& b) { b.Class = 99; }},
      {"payload longer than its class holds",
       [](BlockHeader& b) { b.PayloadLength = b.Class == 1 ? 995 : 262115; }},
      {"next outside the set", [](BlockHeader& b) { b.Next = 0x7FFFFFF0; }},
      {"next into another chain", [&](BlockHeader& b) { b.Next = other[1]; }},
  };
  const std::vector<std::pair<const char*, int32_t>> places = {{"first block", a[0]},
                                                               {"middle of a chain", a[1]},
                                                               {"last block", a[2]},
                                                               {"continuation file", cont[1]}};
  const Bytes base = store_test::ReadBytes(base_);
  const Bytes first = store_test::ReadBytes(dir_ / "opisy.001");
  for (const Kind& k : kinds) {
    for (const auto& [place, address] : places) {
      SCOPED_TRACE(std::string(k.name) + " at the " + place);
      BlockHeader b = Block(address);
      k.damage(b);
      SetBlock(address, b);
      const CheckReport r = Check();
      EXPECT_FALSE(r.Clean());
      EXPECT_TRUE(Reported(r, address)) << Listing(r);
      store_test::WriteBytes(base_, base);
      store_test::WriteBytes(dir_ / "opisy.001", first);
    }
  }
}

TEST_F(CheckerDamageTest, DamagedHeadersAreReportedLeftoversOfAWriteAreCounted) {
  const std::vector<int32_t> a = Chain(records_[0]);
  const Bytes base = store_test::ReadBytes(base_);
  struct Case {
    const char* what;
    std::function<void(FileHeader&)> damage;
    int32_t address;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"free-list head at a block of a complete record",
       [&](FileHeader& h) { h.Class(1).FreeHead = a[2]; }, a[2], "zajętego bloku"},
      {"free list leaving the set", [](FileHeader& h) { h.Class(2).FreeHead = 0x7FFFFFF0; },
       0x7FFFFFF0, "poza zbiór"},
      {"current file naming files that do not exist", [](FileHeader& h) { h.CurrentFile = 3; }, 0,
       "bieżący plik 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileHeader h = store_test::HeaderOf(base_);
    c.damage(h);
    store_test::PutHeader(base_, h);
    const CheckReport r = Check();
    EXPECT_FALSE(r.Clean());
    EXPECT_TRUE(Reported(r, c.address, c.text)) << Listing(r);
    store_test::WriteBytes(base_, base);
  }
  // A free block whose next is itself: a loop.
  BlockHeader last = Block(a[2]);
  last.Owner = 0;
  last.Next = a[2];
  SetBlock(a[2], last);
  BlockHeader middle = Block(a[1]);
  middle.Next = -1;  // record 1 now ends early, as an interrupted write leaves it
  SetBlock(a[1], middle);
  FileHeader h = store_test::HeaderOf(base_);
  h.Class(1).FreeHead = a[2];
  store_test::PutHeader(base_, h);
  CheckReport r = Check();
  EXPECT_TRUE(Reported(r, a[2], "pętla")) << Listing(r);
  EXPECT_EQ(r.ProblemCount, 1) << Listing(r);
  EXPECT_EQ(r.UnfinishedRecords, 1);

  // The same chain ending early with its last block still in use and the
  // list at it: what a write interrupted before its header leaves. Counted,
  // not a problem.
  last.Owner = a[0];
  last.Next = -1;
  SetBlock(a[2], last);
  r = Check();
  EXPECT_TRUE(r.Clean()) << Listing(r);
  EXPECT_EQ(r.UnfinishedRecords, 1);
  EXPECT_EQ(r.OrphanBlocks, 1);
  EXPECT_EQ(r.Notes.size(), 2u);
}

}  // namespace
}  // namespace store
