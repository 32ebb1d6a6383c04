// Both compression backends write zlib streams that the other reads, and
// Compress refuses output that would not fit.
#include <gtest/gtest.h>

#include "StoreTestUtil.h"
#include "store/Compression.h"

namespace store {
namespace {

using store_test::Bytes;

std::vector<std::unique_ptr<Codec>> Codecs() {
  std::vector<std::unique_ptr<Codec>> v;
  v.push_back(MakeZlibCodec());
  if (auto deflate = MakeDeflateCodec()) v.push_back(std::move(deflate));
  return v;
}

// The build's choice is the one the store makes: a missing libdeflate never
// turns into zlib quietly.
TEST(CompressionTest, TheStoreUsesTheConfiguredBackend) {
#ifdef PODZIAL_HAVE_LIBDEFLATE
  EXPECT_STREQ("libdeflate", DefaultCodec().Name());
#else
  EXPECT_STREQ("zlib", DefaultCodec().Name());
  EXPECT_EQ(nullptr, MakeDeflateCodec());
#endif
}

#ifdef PODZIAL_HAVE_LIBDEFLATE
TEST(CompressionTest, EachBackendReadsWhatTheOtherWrote) {
  auto zlib = MakeZlibCodec();
  auto deflate = MakeDeflateCodec();
  ASSERT_NE(nullptr, deflate) << "built without libdeflate";
  Codec* codecs[] = {zlib.get(), deflate.get()};
  for (size_t n : {1u, 100u, 5000u, 300000u}) {
    Bytes plain = store_test::TextBytes(n, static_cast<uint32_t>(n));
    for (Codec* writer : codecs) {
      Bytes packed(n + 64);
      int32_t len = static_cast<int32_t>(packed.size());
      ASSERT_EQ(0, writer->Compress(packed.data(), &len, plain.data(), static_cast<int32_t>(n)));
      // A zlib stream: CMF 0x78 and a header checksum.
      ASSERT_EQ(0x78, packed[0]);
      ASSERT_EQ(0, ((packed[0] << 8) | packed[1]) % 31);
      for (Codec* reader : codecs) {
        Bytes out(n);
        int32_t got = static_cast<int32_t>(n);
        ASSERT_EQ(0, reader->UnCompress(out.data(), &got, packed.data(), len))
            << writer->Name() << " -> " << reader->Name();
        EXPECT_EQ(static_cast<int32_t>(n), got);
        EXPECT_EQ(plain, out);
      }
    }
  }
}

#endif

TEST(CompressionTest, OutputThatDoesNotFitIsAFailure) {
  Bytes random = store_test::RandomBytes(4000, 1);
  for (auto& codec : Codecs()) {
    Bytes dst(4000 + 16, 0xAB);
    int32_t len = 4000;
    EXPECT_NE(0, codec->Compress(dst.data(), &len, random.data(), 4000)) << codec->Name();
    // Nothing was written past the destination's length.
    for (size_t i = 4000; i < dst.size(); ++i) ASSERT_EQ(0xAB, dst[i]);
  }
}

TEST(CompressionTest, DamagedOrShortStreamsFail) {
  Bytes plain = store_test::TextBytes(10000, 3);
  for (auto& codec : Codecs()) {
    Bytes packed(10000);
    int32_t len = 10000;
    ASSERT_EQ(0, codec->Compress(packed.data(), &len, plain.data(), 10000));
    Bytes out(10000);
    int32_t got = 9999;  // the destination is one byte short
    EXPECT_NE(0, codec->UnCompress(out.data(), &got, packed.data(), len)) << codec->Name();
    got = 10000;
    EXPECT_NE(0, codec->UnCompress(out.data(), &got, packed.data(), len / 2)) << codec->Name();
    Bytes bad = packed;
    bad[static_cast<size_t>(len) - 1] ^= 0xFF;  // Adler-32 checksum
    got = 10000;
    EXPECT_NE(0, codec->UnCompress(out.data(), &got, bad.data(), len)) << codec->Name();
  }
}

TEST(CompressionTest, LargeRecordsThatDoNotShrinkAreNotTried) {
  const int32_t n = 200000;
  Bytes dst(n);
  Bytes random = store_test::RandomBytes(n, 4);
  EXPECT_FALSE(WorthPacking(random.data(), n));
  EXPECT_EQ(0, PackPlainRecord(DefaultCodec(), dst.data(), random.data(), n));
  // Random at the start only: the samples of the middle and end shrink.
  Bytes mixed = store_test::TextBytes(n, 5);
  Bytes head = store_test::RandomBytes(30000, 6);
  std::copy(head.begin(), head.end(), mixed.begin());
  const int32_t len = PackPlainRecord(DefaultCodec(), dst.data(), mixed.data(), n);
  EXPECT_GT(len, 0);
  EXPECT_LT(len, n / 2);
  // Small records are always tried, and here they fail for growing.
  EXPECT_TRUE(WorthPacking(random.data(), 5000));
  EXPECT_EQ(0, PackPlainRecord(DefaultCodec(), dst.data(), random.data(), 5000));
}

}  // namespace
}  // namespace store
