// tjxmemo on one base file: creating, opening, limits, round trips of
// records, the stored form of records and the chains they get.
#include <gtest/gtest.h>

#include <cstring>

#include "StoreTestUtil.h"
#include "platform/Coding.h"
#include "store/Compression.h"
#include "store/jxmemo.h"
#include "tests/support/FaultEnv.h"

namespace store {
namespace {

using store_test::Bytes;
using testing_util::TempDir;

int32_t Put(tjxmemo& m, const Bytes& b, int32_t plainSize = 0) {
  int32_t address = -7;
  EXPECT_TRUE(m.WriteRecord(static_cast<int32_t>(b.size()), address, b.data(), plainSize))
      << m.LastError();
  return address;
}

Bytes Get(tjxmemo& m, int32_t address, bool unpack = true, int32_t* plainSize = nullptr) {
  int32_t size = -1, plain = -1;
  const uint8_t* data = nullptr;
  EXPECT_TRUE(m.ReadRecord(size, address, data, unpack, plain)) << m.LastError();
  if (plainSize) *plainSize = plain;
  if (!data || size < 0) return {};
  return Bytes(data, data + size);
}

// The chain of a record as (class, payload length) pairs, read from disk.
std::vector<std::pair<int, int>> ChainOf(const std::string& path, int32_t address) {
  std::vector<std::pair<int, int>> chain;
  int32_t at = address;
  while (at != -1 && chain.size() < 100) {
    BlockHeader b = store_test::BlockHeaderAt(path, static_cast<uint64_t>(at) * 1024);
    EXPECT_EQ(address, b.Owner);
    chain.emplace_back(b.Class, b.PayloadLength);
    at = b.Next;
  }
  return chain;
}

TEST(StoreTest, NewFileIsOneHeaderBlockAndFirstRecordGetsAddressOne) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 0)) << m.LastError();
    EXPECT_TRUE(m.IsOpen());
    EXPECT_TRUE(m.Writable());
    EXPECT_EQ(1024u, store_test::FileSize(path));
    Bytes rec = store_test::TextBytes(10, 1);
    EXPECT_EQ(1, Put(m, rec));
  }
  Bytes file = store_test::ReadBytes(path);
  for (size_t i = 148; i < 1024; ++i) ASSERT_EQ(0, file[i]) << i;
}

TEST(StoreTest, CreateNewRefusesAnExistingNameAndLeavesItAlone) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  Bytes original = {'a', 'b', 'c'};
  store_test::WriteBytes(path, original);
  tjxmemo m;
  EXPECT_FALSE(m.CreateNew(path, 0));
  EXPECT_FALSE(m.CreateNew(dir / "OPISY.DAT", 0));  // letter case does not matter
  EXPECT_FALSE(m.IsOpen());
  EXPECT_EQ(original, store_test::ReadBytes(path));
}

TEST(StoreTest, LimitsRecordedAndReadBack) {
  TempDir dir;
  struct Case {
    int32_t bytes;
    int32_t limitKb;
    const char* tag;
  } cases[] = {{0, 0, "RAS0"}, {500000, 720, "RAS1"}, {650 * 1048576, 665344, "RAS1"}};
  int i = 0;
  for (const Case& c : cases) {
    std::string path = dir / ("f" + std::to_string(i++) + ".dat");
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, c.bytes));
    FileHeader h = store_test::HeaderOf(path);
    EXPECT_EQ(c.tag, h.TagText());
    EXPECT_EQ(c.limitKb, h.MaxSize);
    tjxmemo probe;
    EXPECT_EQ(c.limitKb * 1024, probe.ReadMaxSize(path));
    EXPECT_FALSE(probe.IsOpen());
    EXPECT_EQ(c.limitKb * 1024, m.ReadMaxSize(""));  // the open store's own file
  }
  tjxmemo probe;
  EXPECT_EQ(-1, probe.ReadMaxSize(dir / "missing.dat"));
}

TEST(StoreTest, OpenRefusesForeignFiles) {
  TempDir dir;
  std::string path = dir / "x.dat";
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 0));
  }
  const Bytes good = store_test::ReadBytes(path);
  struct Damage {
    size_t offset;
    int32_t value;
    int width;
  } damages[] = {
      {0, 0x32534152, 4},            // tag "RAS2"
      {4, 149, 2},                   // header longer than 148
      {4, 60, 2},                    // too short for nine classes
      {6, 0, 2},                     // no classes
      {6, 10, 2},                    // more classes than the table holds
      {40 + 12 * 2 + 4, 5000, 4},    // block size not a multiple of 1 KB
      {40 + 12 * 8 + 4, 524288, 4},  // larger than the block buffer
      {40 + 12 * 3 + 8, 8192, 4},    // capacity not block size - 30
  };
  for (const Damage& d : damages) {
    Bytes b = good;
    if (d.width == 2)
      platform::EncodeU16(b.data() + d.offset, static_cast<uint16_t>(d.value));
    else
      platform::EncodeI32(b.data() + d.offset, d.value);
    store_test::WriteBytes(path, b);
    tjxmemo m;
    EXPECT_FALSE(m.Open(path)) << d.offset;
    EXPECT_FALSE(m.IsOpen());
    EXPECT_FALSE(m.LastError().empty());
    EXPECT_EQ(-4, m.SetMaxSize(0, path)) << d.offset;  // not a header it can rewrite
    EXPECT_EQ(b, store_test::ReadBytes(path));
  }
  tjxmemo m;
  EXPECT_FALSE(m.Open(dir / "missing.dat"));
}

TEST(StoreTest, RoundTripsFromOneByteToOneMegabyte) {
  TempDir dir;
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(dir / "o.dat", 0));
  std::vector<std::pair<int32_t, Bytes>> written;
  uint32_t seed = 1;
  for (size_t n : {1u, 2u, 993u, 994u, 995u, 3012u, 3013u, 5000u, 65506u, 262114u, 262115u, 524228u,
                   1048576u}) {
    for (bool text : {true, false}) {
      Bytes b = text ? store_test::TextBytes(n, seed) : store_test::RandomBytes(n, seed);
      ++seed;
      written.emplace_back(Put(m, b), b);
    }
  }
  for (auto& [address, bytes] : written) ASSERT_EQ(bytes, Get(m, address)) << address;
  // And again from a fresh store on the same file.
  tjxmemo again;
  ASSERT_TRUE(again.Open(dir / "o.dat"));
  for (auto& [address, bytes] : written) ASSERT_EQ(bytes, Get(again, address)) << address;
}

TEST(StoreTest, ChainsFollowThePackingRule) {
  TempDir dir;
  std::string path = dir / "o.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, 0));
  m.CompressRecords = false;  // the stored length is the record's length
  using C = std::vector<std::pair<int, int>>;
  int32_t a = Put(m, store_test::RandomBytes(5000, 1));
  EXPECT_EQ(C({{3, 4066}, {1, 934}}), ChainOf(path, a));
  m.SplitDepth = 9;
  EXPECT_EQ(C({{2, 2018}, {1, 994}}), ChainOf(path, Put(m, store_test::RandomBytes(3012, 2))));
  EXPECT_EQ(C({{3, 3013}}), ChainOf(path, Put(m, store_test::RandomBytes(3013, 3))));
  EXPECT_EQ(C({{9, 262114}, {9, 262114}}),
            ChainOf(path, Put(m, store_test::RandomBytes(524228, 4))));
  EXPECT_EQ(C({{8, 131042}, {7, 65506}, {3, 3452}}),
            ChainOf(path, Put(m, store_test::RandomBytes(200000, 5))));
  // Blocks are laid end to end: 5 KB + 3 KB + 4 KB + 512 KB + 196 KB.
  EXPECT_EQ(1024u * (1 + 5 + 3 + 4 + 512 + 196), store_test::FileSize(path));
}

TEST(StoreTest, StoredFormTravelsUnchanged) {
  TempDir dir;
  tjxmemo source, target;
  ASSERT_TRUE(source.CreateNew(dir / "a.dat", 0));
  ASSERT_TRUE(target.CreateNew(dir / "b.dat", 1000000));
  target.SplitDepth = 9;
  Bytes text = store_test::TextBytes(100000, 9);
  Bytes random = store_test::RandomBytes(3000, 9);
  int32_t t = Put(source, text), r = Put(source, random);

  // Compressed: delivered as stored, with the plain length beside it.
  int32_t plain = -1;
  Bytes packed = Get(source, t, false, &plain);
  EXPECT_EQ(100000, plain);
  EXPECT_LT(packed.size(), text.size());
  BlockHeader first = store_test::BlockHeaderAt(dir / "a.dat", static_cast<uint64_t>(t) * 1024);
  EXPECT_EQ(static_cast<int32_t>(packed.size()), first.StoredLength);
  int32_t t2 = Put(target, packed, plain);
  BlockHeader copied = store_test::BlockHeaderAt(dir / "b.dat", static_cast<uint64_t>(t2) * 1024);
  EXPECT_EQ(first.PlainLength, copied.PlainLength);
  EXPECT_EQ(first.StoredLength, copied.StoredLength);
  int32_t plain2 = -1;
  EXPECT_EQ(packed, Get(target, t2, false, &plain2));
  EXPECT_EQ(plain, plain2);
  EXPECT_EQ(text, Get(target, t2, true, &plain2));
  EXPECT_EQ(0, plain2);  // unpacked: PlainSize 0

  // Random bytes do not compress: stored plainly, delivered with PlainSize 0.
  BlockHeader rh = store_test::BlockHeaderAt(dir / "a.dat", static_cast<uint64_t>(r) * 1024);
  EXPECT_EQ(0, rh.StoredLength);
  EXPECT_EQ(3000, rh.PlainLength);
  EXPECT_EQ(random, Get(source, r, false, &plain));
  EXPECT_EQ(0, plain);
}

TEST(StoreTest, CopyLikeADivision) {
  TempDir dir;
  tjxmemo source, target;
  ASSERT_TRUE(source.CreateNew(dir / "old.dat", 0));
  std::vector<std::pair<int32_t, Bytes>> records;
  for (uint32_t i = 0; i < 60; ++i) {
    size_t n = 1 + (i * 7919u) % 300000;
    Bytes b = (i % 4 == 3) ? store_test::RandomBytes(n, i) : store_test::TextBytes(n, i);
    records.emplace_back(Put(source, b), b);
  }
  ASSERT_TRUE(target.CreateNew(dir / "new.dat", 0));
  EXPECT_EQ(737280, target.SetMaxSize(500000, ""));  // small: many files
  target.SplitDepth = 9;
  target.DeferFlush = true;
  std::vector<int32_t> moved;
  for (auto& [address, bytes] : records) {
    int32_t size = 0, plain = 0, out = 0;
    const uint8_t* data = nullptr;
    ASSERT_TRUE(source.ReadRecord(size, address, data, false, plain)) << source.LastError();
    ASSERT_TRUE(target.WriteRecord(size, out, data, plain)) << target.LastError();
    moved.push_back(out);
  }
  ASSERT_TRUE(target.FlushAll());
  ASSERT_TRUE(target.CloseAll());
  EXPECT_TRUE(std::filesystem::exists(dir / "new.003"));
  tjxmemo check;
  ASSERT_TRUE(check.Open(dir / "new.dat"));
  for (size_t i = 0; i < records.size(); ++i)
    ASSERT_EQ(records[i].second, Get(check, moved[i])) << i;
}

TEST(StoreTest, NoRecordAndEmptyRecordChangeNothing) {
  TempDir dir;
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(dir / "o.dat", 0));
  int32_t size = 11, plain = 22;
  const uint8_t* data = reinterpret_cast<const uint8_t*>("x");
  EXPECT_TRUE(m.ReadRecord(size, 0, data, true, plain));
  EXPECT_EQ(11, size);
  EXPECT_EQ(22, plain);
  EXPECT_STREQ("x", reinterpret_cast<const char*>(data));
  int32_t address = 33;
  EXPECT_TRUE(m.WriteRecord(0, address, data, 0));
  EXPECT_EQ(33, address);
  EXPECT_EQ(1024u, store_test::FileSize(dir / "o.dat"));
}

TEST(StoreTest, ClosedAndReadOnlyStoresRefuseRecords) {
  TempDir dir;
  std::string path = dir / "o.dat";
  int32_t address;
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, 0));
    address = Put(m, store_test::TextBytes(500, 1));
  }
  tjxmemo closed;
  int32_t size = 0, plain = 0, out = 0;
  const uint8_t* data = nullptr;
  Bytes b = store_test::TextBytes(10, 2);
  EXPECT_FALSE(closed.ReadRecord(size, address, data, true, plain));
  EXPECT_FALSE(closed.WriteRecord(10, out, b.data(), 0));

  // A file the user may only read: the read-write open is refused.
  test_support::FaultEnv env;
  env.Fail(test_support::FaultEnv::kOpenWrite | test_support::FaultEnv::kCreate, 1, true);
  tjxmemo ro(&env);
  ASSERT_TRUE(ro.Open(path));
  EXPECT_FALSE(ro.Writable());
  EXPECT_EQ(store_test::TextBytes(500, 1), Get(ro, address));
  uint64_t fileSize = store_test::FileSize(path);
  EXPECT_FALSE(ro.WriteRecord(10, out, b.data(), 0));
  EXPECT_EQ(fileSize, store_test::FileSize(path));
  EXPECT_EQ(-3, ro.SetMaxSize(0, ""));
}

TEST(StoreTest, SetMaxSizeResults) {
  TempDir dir;
  std::string path = dir / "o.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, 0));
  for (int i = 0; i < 10; ++i) Put(m, store_test::RandomBytes(200000, static_cast<uint32_t>(i)));
  // 10 x 208 KB: about 2 MB, more than a limit of 1,000,000 bytes allows.
  Bytes before = store_test::ReadBytes(path);
  EXPECT_EQ(-5, m.SetMaxSize(500000, ""));
  EXPECT_EQ(before, store_test::ReadBytes(path));
  EXPECT_TRUE(m.IsOpen());  // reopened

  // Open elsewhere: no exclusive access.
  tjxmemo other;
  ASSERT_TRUE(other.Open(path));
  EXPECT_EQ(-3, m.SetMaxSize(650 * 1048576, ""));
  EXPECT_FALSE(m.IsOpen());
  other.CloseAll();

  EXPECT_EQ(681312256, m.SetMaxSize(650 * 1048576, path));
  EXPECT_EQ("RAS1", store_test::HeaderOf(path).TagText());
  EXPECT_EQ(0, m.SetMaxSize(0, path));
  EXPECT_EQ("RAS0", store_test::HeaderOf(path).TagText());

  store_test::WriteBytes(dir / "o.001", {});
  EXPECT_EQ(-2, m.SetMaxSize(650 * 1048576, path));
  EXPECT_FALSE(m.IsOpen());
  EXPECT_EQ(0, store_test::HeaderOf(path).MaxSize);
}

TEST(StoreTest, CompressionFailureStoresPlainly) {
  TempDir dir;
  std::string path = dir / "o.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, 0));
  Bytes text = store_test::TextBytes(20000, 4);
  // A backend that always fails.
  struct Failing : Codec {
    const char* Name() const override { return "failing"; }
    int Compress(uint8_t*, int32_t*, const uint8_t*, int32_t) override { return 5; }
    int UnCompress(uint8_t*, int32_t*, const uint8_t*, int32_t) override { return 5; }
  };
  SetDefaultCodec(std::make_unique<Failing>());
  int32_t a = Put(m, text);
  SetDefaultCodec(nullptr);
  BlockHeader b = store_test::BlockHeaderAt(path, static_cast<uint64_t>(a) * 1024);
  EXPECT_EQ(0, b.StoredLength);
  EXPECT_EQ(20000, b.PlainLength);
  EXPECT_EQ(text, Get(m, a));
}

TEST(StoreTest, FreeBlocksOfOtherWritersAreReused) {
  TempDir dir;
  std::string path = dir / "o.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, 0));
  m.CompressRecords = false;
  int32_t a1 = Put(m, store_test::RandomBytes(900, 1));  // class 1 at 1
  int32_t a2 = Put(m, store_test::RandomBytes(900, 2));  // class 1 at 2
  int32_t a3 = Put(m, store_test::RandomBytes(900, 3));  // class 1 at 3
  ASSERT_EQ(3, a3);
  // Another writer freed records 1 and 3: list 3 -> 1 in class 1.
  BlockHeader f;
  f.Class = 1;
  f.Owner = 0;
  f.Next = -1;
  store_test::PutBlockHeader(path, 1024, f);
  f.Next = 1;
  store_test::PutBlockHeader(path, 3 * 1024, f);
  FileHeader h = store_test::HeaderOf(path);
  h.Class(1).FreeHead = 3;
  store_test::PutHeader(path, h);
  uint64_t size = store_test::FileSize(path);

  Bytes r1 = store_test::RandomBytes(500, 11), r2 = store_test::RandomBytes(600, 12);
  EXPECT_EQ(3, Put(m, r1));
  EXPECT_EQ(1, store_test::HeaderOf(path).Class(1).FreeHead);
  EXPECT_EQ(1, Put(m, r2));
  EXPECT_EQ(-1, store_test::HeaderOf(path).Class(1).FreeHead);
  EXPECT_EQ(size, store_test::FileSize(path));  // nothing appended
  EXPECT_EQ(r1, Get(m, 3));
  EXPECT_EQ(r2, Get(m, 1));
  EXPECT_EQ(store_test::RandomBytes(900, 2), Get(m, a2));
  EXPECT_EQ(4, Put(m, store_test::RandomBytes(10, 13)));  // list empty: appended
  (void)a1;
}

TEST(StoreTest, UnusableFreeListHeadsAreDropped) {
  TempDir dir;
  std::string path = dir / "o.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, 0));
  m.CompressRecords = false;
  Bytes keep = store_test::RandomBytes(900, 1);
  int32_t a = Put(m, keep);  // a record in use at 1
  Bytes small = store_test::RandomBytes(300, 2);
  int32_t s = Put(m, small);  // class 1 at 2, then freed as a class-1 block
  BlockHeader f;
  f.Class = 1;
  store_test::PutBlockHeader(path, static_cast<uint64_t>(s) * 1024, f);

  FileHeader h = store_test::HeaderOf(path);
  h.Class(1).FreeHead = a;  // points at a block in use
  h.Class(2).FreeHead = s;  // points at a free block of class 1
  store_test::PutHeader(path, h);
  uint64_t size = store_test::FileSize(path);

  int32_t n1 = Put(m, store_test::RandomBytes(100, 3));   // class 1
  int32_t n2 = Put(m, store_test::RandomBytes(1500, 4));  // class 2
  EXPECT_EQ(static_cast<int32_t>(size / 1024), n1);       // appended, not at `a`
  EXPECT_EQ(n1 + 1, n2);                                  // appended, not at `s`
  FileHeader after = store_test::HeaderOf(path);
  EXPECT_EQ(-1, after.Class(1).FreeHead);
  EXPECT_EQ(-1, after.Class(2).FreeHead);
  EXPECT_EQ(keep, Get(m, a));
  // The free class-1 block was not overwritten by a 2 KB block.
  EXPECT_EQ(0, store_test::BlockHeaderAt(path, static_cast<uint64_t>(s) * 1024).Owner);
}

TEST(StoreTest, OpenAndCreateNewOnAnOpenStoreCloseItFirst) {
  TempDir dir;
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(dir / "a.dat", 0));
  int32_t a = Put(m, store_test::TextBytes(100, 1));
  ASSERT_TRUE(m.CreateNew(dir / "b.dat", 0));
  int32_t b = Put(m, store_test::TextBytes(200, 2));
  ASSERT_TRUE(m.Open(dir / "a.dat"));
  EXPECT_EQ(store_test::TextBytes(100, 1), Get(m, a));
  // a.dat is no longer held by the first handle: exclusive access works.
  tjxmemo other;
  EXPECT_EQ(0, other.SetMaxSize(0, dir / "b.dat"));
  (void)b;
}

}  // namespace
}  // namespace store
