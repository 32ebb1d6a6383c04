// Sets with a size limit: continuation files, the current file, the end of
// the set, and names whose letter case differs from the one we build.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "StoreTestUtil.h"
#include "store/jxmemo.h"

namespace store {
namespace {

using store_test::Bytes;
using testing_util::TempDir;

constexpr int32_t kSmallLimit = 500000;  // M = 720 kilobytes
constexpr int32_t M = 720;

int32_t Put(tjxmemo& m, const Bytes& b) {
  int32_t address = 0;
  EXPECT_TRUE(m.WriteRecord(static_cast<int32_t>(b.size()), address, b.data(), 0)) << m.LastError();
  return address;
}

Bytes Get(tjxmemo& m, int32_t address) {
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  EXPECT_TRUE(m.ReadRecord(size, address, data, true, plain)) << m.LastError();
  return data ? Bytes(data, data + size) : Bytes();
}

// Fills the base file to M + 200 KB: 663 KB of blocks after the header,
// then a 256 KB block starting at kilobyte 664 (below M).
void GrowBaseToLimitPlus200(tjxmemo& m, std::vector<std::pair<int32_t, Bytes>>* written) {
  uint32_t seed = 100;
  for (int32_t n : {524228, 131042, 16354, 4066, 2018, 994, 262114}) {
    Bytes b = store_test::RandomBytes(static_cast<size_t>(n), seed++);
    written->emplace_back(Put(m, b), b);
  }
}

TEST(ContinuationTest, BlockPastTheLimitOpensTheNextFileWithAZeroPrefix) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, kSmallLimit));
  m.CompressRecords = false;
  std::vector<std::pair<int32_t, Bytes>> written;
  GrowBaseToLimitPlus200(m, &written);
  EXPECT_EQ(664, written.back().first);
  ASSERT_EQ((M + 200) * 1024u, store_test::FileSize(path));
  EXPECT_FALSE(std::filesystem::exists(dir / "opisy.001"));

  Bytes next = store_test::RandomBytes(900, 1);
  int32_t a = Put(m, next);
  EXPECT_EQ(M + 200, a);  // file 1, offset 204,800
  Bytes cont = store_test::ReadBytes(dir / "opisy.001");
  ASSERT_EQ(204800u + 1024u, cont.size());
  for (size_t i = 0; i < 204800; ++i) ASSERT_EQ(0, cont[i]) << i;
  EXPECT_EQ(1, store_test::HeaderOf(path).CurrentFile);

  // The following records continue in file 1.
  Bytes more = store_test::RandomBytes(3000, 2);
  EXPECT_EQ(M + 201, Put(m, more));
  written.emplace_back(a, next);
  written.emplace_back(M + 201, more);
  tjxmemo again;
  ASSERT_TRUE(again.Open(path));
  for (auto& [address, bytes] : written) EXPECT_EQ(bytes, Get(again, address)) << address;
}

TEST(ContinuationTest, ManyFilesNoneLargerThanTheLimit) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, kSmallLimit));
  m.SplitDepth = 9;
  std::vector<std::pair<int32_t, Bytes>> written;
  for (uint32_t i = 0; i < 60; ++i) {
    Bytes b = (i % 2) ? store_test::RandomBytes(10000 + 7000 * i, i)
                      : store_test::TextBytes(50000 + 9000 * i, i);
    written.emplace_back(Put(m, b), b);
  }
  int files = 0;
  for (int n = 0; n <= 999; ++n) {
    std::string name = n == 0 ? path : ContinuationName(dir / "opisy.", n);
    if (!std::filesystem::exists(name)) break;
    ++files;
    EXPECT_LE(store_test::FileSize(name), 1000000u) << name;
  }
  EXPECT_GE(files, 3);
  for (auto& [address, bytes] : written) ASSERT_EQ(bytes, Get(m, address)) << address;
}

TEST(ContinuationTest, ExistingLaterFileBecomesCurrentAndIsAppendedTo) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, kSmallLimit));
  m.CompressRecords = false;
  std::vector<std::pair<int32_t, Bytes>> written;
  GrowBaseToLimitPlus200(m, &written);
  FileHeader before = store_test::HeaderOf(path);
  Bytes lost = store_test::RandomBytes(5000, 7);
  int32_t a = Put(m, lost);
  // An interrupted write: the block reached opisy.001, the header did not.
  store_test::PutHeader(path, before);
  Bytes contBefore = store_test::ReadBytes(dir / "opisy.001");

  Bytes b = store_test::RandomBytes(2000, 8);
  int32_t a2 = Put(m, b);
  EXPECT_GT(a2, a);
  EXPECT_EQ(static_cast<int32_t>(M + contBefore.size() / 1024), a2);
  Bytes contAfter = store_test::ReadBytes(dir / "opisy.001");
  EXPECT_TRUE(std::equal(contBefore.begin(), contBefore.end(), contAfter.begin()));
  EXPECT_EQ(1, store_test::HeaderOf(path).CurrentFile);
  EXPECT_EQ(lost, Get(m, a));
  EXPECT_EQ(b, Get(m, a2));
}

TEST(ContinuationTest, EmptyFirstContinuationNeverSendsABlockIntoTheBaseFile) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(path, kSmallLimit));
  m.CompressRecords = false;
  std::vector<std::pair<int32_t, Bytes>> written;
  GrowBaseToLimitPlus200(m, &written);
  // A write created opisy.001 and failed before its block reached it.
  store_test::WriteBytes(dir / "opisy.001", {});
  Bytes base = store_test::ReadBytes(path);
  Bytes b = store_test::RandomBytes(2000, 9);
  int32_t a = Put(m, b);
  EXPECT_EQ(M + 1, a);  // file 1, kilobyte 1; address M is the base file's
  Bytes after = store_test::ReadBytes(path);
  EXPECT_TRUE(std::equal(base.begin() + 1024, base.end(), after.begin() + 1024));
  for (auto& [address, bytes] : written) EXPECT_EQ(bytes, Get(m, address)) << address;
  EXPECT_EQ(b, Get(m, a));
}

TEST(ContinuationTest, NoFileBeyondNineHundredNinetyNine) {
  TempDir dir;
  std::string path = dir / "opisy.dat";
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(path, kSmallLimit));
  }
  FileHeader h = store_test::HeaderOf(path);
  h.CurrentFile = 999;
  store_test::PutHeader(path, h);
  std::string last = dir / "opisy.999";
  store_test::WriteBytes(last, {});
  std::filesystem::resize_file(last, static_cast<uintmax_t>(M) * 1024);  // full
  tjxmemo m;
  ASSERT_TRUE(m.Open(path));
  Bytes b = store_test::RandomBytes(100, 1);
  int32_t address = 0;
  EXPECT_FALSE(m.WriteRecord(100, address, b.data(), 0));
  EXPECT_EQ(static_cast<uintmax_t>(M) * 1024, std::filesystem::file_size(last));
  EXPECT_FALSE(std::filesystem::exists(dir / "opisy.1000"));
  EXPECT_EQ(1024u, store_test::FileSize(path));
}

TEST(ContinuationTest, NamesAreFoundWhateverTheirLetterCase) {
  TempDir dir;
  std::vector<std::pair<int32_t, Bytes>> written;
  {
    tjxmemo m;
    ASSERT_TRUE(m.CreateNew(dir / "OPISY.DAT", kSmallLimit));
    m.CompressRecords = false;
    GrowBaseToLimitPlus200(m, &written);
    Bytes b = store_test::RandomBytes(3000, 3);
    written.emplace_back(Put(m, b), b);
  }
  // Copied from another system: the continuation got a lower-case name.
  std::filesystem::rename(dir / "OPISY.001", dir / "opisy.001");
  tjxmemo lower;
  ASSERT_TRUE(lower.Open(dir / "opisy.dat"));
  for (auto& [address, bytes] : written) EXPECT_EQ(bytes, Get(lower, address)) << address;
  lower.CloseAll();
  tjxmemo m;
  ASSERT_TRUE(m.Open(dir / "OPISY.DAT"));
  for (auto& [address, bytes] : written) EXPECT_EQ(bytes, Get(m, address)) << address;
  // New records go on in the existing file, no second spelling appears.
  Bytes c = store_test::RandomBytes(1000, 4);
  int32_t a = Put(m, c);
  EXPECT_EQ(c, Get(m, a));
  // Listed, not tested by name: Windows finds "OPISY.001" in "opisy.001".
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.dir())) {
    names.insert(e.path().filename().string());
  }
#ifdef _WIN32
  // wine does not rename when only the letter case changes: one file of
  // either spelling.
  EXPECT_EQ(names.size(), 2u);
#else
  EXPECT_EQ(names, (std::set<std::string>{"OPISY.DAT", "opisy.001"}));
#endif
}

TEST(ContinuationTest, BaseNameWithoutExtension) {
  TempDir dir;
  tjxmemo m;
  ASSERT_TRUE(m.CreateNew(dir / "opisy", kSmallLimit));
  m.CompressRecords = false;
  std::vector<std::pair<int32_t, Bytes>> written;
  GrowBaseToLimitPlus200(m, &written);
  Bytes b = store_test::RandomBytes(100, 1);
  EXPECT_EQ(b, Get(m, Put(m, b)));
  EXPECT_TRUE(std::filesystem::exists(dir / "opisy.001"));
}

}  // namespace
}  // namespace store
