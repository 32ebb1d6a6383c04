// The layout rules on their own: header bytes, limits, address mapping,
// continuation names, the packing rule and the refusals of foreign headers.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Coding.h"
#include "store/Format.h"

namespace store {
namespace {

std::vector<uint8_t> Encoded(const FileHeader& h) {
  std::vector<uint8_t> b(kHeaderSize);
  h.EncodeTo(b.data());
  return b;
}

TEST(FormatTest, NewHeaderBytesAreLittleEndianWithZeroReserve) {
  auto b = Encoded(FileHeader::NewFile(0));
  EXPECT_EQ(0, std::memcmp(b.data(), "RAS0", 4));
  EXPECT_EQ(148, b[4]);
  EXPECT_EQ(0, b[5]);
  EXPECT_EQ(9, b[6]);
  EXPECT_EQ(0, platform::DecodeI32(b.data() + 8));
  EXPECT_EQ(0, platform::DecodeU16(b.data() + 12));
  for (int i = 14; i < 40; ++i) EXPECT_EQ(0, b[static_cast<size_t>(i)]) << i;
  const int sizes[] = {1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072, 262144};
  for (int k = 1; k <= 9; ++k) {
    const uint8_t* e = b.data() + 40 + 12 * (k - 1);
    EXPECT_EQ(-1, platform::DecodeI32(e));
    EXPECT_EQ(sizes[k - 1], platform::DecodeI32(e + 4));
    EXPECT_EQ(sizes[k - 1] - 30, platform::DecodeI32(e + 8));
  }
  // Byte order is fixed, not the host's: 262144 = 00 00 04 00.
  const uint8_t* e9 = b.data() + 40 + 12 * 8 + 4;
  EXPECT_EQ(0x00, e9[0]);
  EXPECT_EQ(0x00, e9[1]);
  EXPECT_EQ(0x04, e9[2]);
  EXPECT_EQ(0x00, e9[3]);
}

TEST(FormatTest, LimitsAndTags) {
  EXPECT_EQ(0, FileHeader::LimitFromBytes(0));
  EXPECT_EQ(720, FileHeader::LimitFromBytes(500000));  // counts as 1,000,000
  EXPECT_EQ(665344, FileHeader::LimitFromBytes(650 * 1048576));
  EXPECT_EQ(2095872, FileHeader::LimitFromBytes(2047 * 1048576));
  FileHeader h = FileHeader::NewFile(500000);
  EXPECT_EQ("RAS1", h.TagText());
  h.SetLimit(0);
  EXPECT_EQ("RAS0", h.TagText());
}

TEST(FormatTest, AddressMapping) {
  const int32_t M = 665344;
  Location l;
  ASSERT_TRUE(MapAddress(1, M, &l));
  EXPECT_EQ(0, l.File);
  EXPECT_EQ(1024u, l.Offset);
  ASSERT_TRUE(MapAddress(M, M, &l));
  EXPECT_EQ(0, l.File);
  EXPECT_EQ(681312256u, l.Offset);
  ASSERT_TRUE(MapAddress(M + 1, M, &l));
  EXPECT_EQ(1, l.File);
  EXPECT_EQ(1024u, l.Offset);
  ASSERT_TRUE(MapAddress(2 * M, M, &l));
  EXPECT_EQ(2, l.File);
  EXPECT_EQ(0u, l.Offset);
  // Without a limit everything is in the base file, with 64-bit offsets.
  ASSERT_TRUE(MapAddress(INT32_MAX, 0, &l));
  EXPECT_EQ(0, l.File);
  EXPECT_EQ(static_cast<uint64_t>(INT32_MAX) * 1024, l.Offset);
  // No record, negative addresses and files beyond 999 are outside the set.
  EXPECT_FALSE(MapAddress(0, M, &l));
  EXPECT_FALSE(MapAddress(-5, 0, &l));
  EXPECT_TRUE(MapAddress(999 * 720 + 719, 720, &l));
  EXPECT_EQ(999, l.File);
  EXPECT_FALSE(MapAddress(1000 * 720, 720, &l));
}

TEST(FormatTest, ContinuationNames) {
  EXPECT_EQ("opisy.", BaseNameOf("opisy.dat"));
  EXPECT_EQ("/a.b/kerg/rastry.", BaseNameOf("/a.b/kerg/rastry.dan"));
  EXPECT_EQ("/a.b/kerg/rastry.", BaseNameOf("/a.b/kerg/rastry"));  // no extension
  EXPECT_EQ("opisy.001", ContinuationName("opisy.", 1));
  EXPECT_EQ("opisy.042", ContinuationName("opisy.", 42));
  EXPECT_EQ("opisy.999", ContinuationName("opisy.", 999));
}

std::vector<int> Pack(int64_t bytes, int depth) {
  return PackRecord(FileHeader::NewFile(0), bytes, depth);
}

TEST(FormatTest, PackingRuleExamples) {
  using V = std::vector<int>;
  EXPECT_EQ(V({3, 1}), Pack(5000, 4));  // 4066 + 934: 5 KB instead of 8
  EXPECT_EQ(V({8, 7, 5}), Pack(200000, 4));
  EXPECT_EQ(V({8, 7, 3}), Pack(200000, 9));
  EXPECT_EQ(V({1}), Pack(994, 4));
  EXPECT_EQ(V({2}), Pack(995, 4));
  EXPECT_EQ(V({2, 1}), Pack(3012, 9));
  EXPECT_EQ(V({3}), Pack(3013, 9));
  EXPECT_EQ(V({9}), Pack(262114, 4));
  EXPECT_EQ(V({9, 9}), Pack(524228, 4));
  EXPECT_EQ(V({1}), Pack(1, 4));
  EXPECT_TRUE(Pack(0, 4).empty());
}

TEST(FormatTest, PackingCoversEveryLengthWithinCapacities) {
  FileHeader h = FileHeader::NewFile(0);
  for (int depth : {-3, 0, 4, 9, 1000000}) {
    for (int64_t n = 1; n < 600000; n += 997) {
      auto chain = PackRecord(h, n, depth);
      int64_t capacity = 0;
      for (int k : chain) capacity += h.Class(k).Capacity;
      ASSERT_GE(capacity, n) << n;
      // The last block holds something: no block beyond the bytes.
      ASSERT_LT(capacity - h.Class(chain.back()).Capacity, n) << n;
    }
  }
}

TEST(FormatTest, ForeignHeadersAreRefused) {
  FileHeader h;
  std::string why;
  auto good = Encoded(FileHeader::NewFile(0));
  ASSERT_TRUE(FileHeader::DecodeFrom(good.data(), good.size(), &h, &why)) << why;

  auto refused = [&](std::vector<uint8_t> b) {
    return !FileHeader::DecodeFrom(b.data(), b.size(), &h, &why);
  };
  auto with = [&](size_t off, int32_t v, int width) {
    auto b = good;
    if (width == 2)
      platform::EncodeU16(b.data() + off, static_cast<uint16_t>(v));
    else
      platform::EncodeI32(b.data() + off, v);
    return b;
  };
  auto tag = good;
  std::memcpy(tag.data(), "RAS2", 4);
  EXPECT_TRUE(refused(tag));
  EXPECT_TRUE(refused(with(4, 149, 2)));        // longer than the header record
  EXPECT_TRUE(refused(with(4, 100, 2)));        // too short for nine classes
  EXPECT_TRUE(refused(with(6, 0, 2)));          // no classes
  EXPECT_TRUE(refused(with(6, 10, 2)));         // more than the table holds
  EXPECT_TRUE(refused(with(40 + 4, 1500, 4)));  // not a multiple of 1 KB
  auto big = with(40 + 12 * 8 + 4, 524288, 4);
  platform::EncodeI32(big.data() + 40 + 12 * 8 + 8, 524288 - 30);
  EXPECT_TRUE(refused(big));                    // larger than the shared buffer
  EXPECT_TRUE(refused(with(40 + 8, 1000, 4)));  // capacity is not size - 30
  EXPECT_TRUE(refused(with(8, -1, 4)));         // negative limit
  EXPECT_TRUE(refused(with(12, 1000, 2)));      // current file beyond 999
  EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + 100)));  // cut short

  // A shorter header with fewer classes is valid; the absent classes are
  // not looked at.
  auto three = with(6, 3, 2);
  platform::EncodeU16(three.data() + 4, 40 + 36);
  platform::EncodeI32(three.data() + 40 + 36 + 4, 12345);  // garbage past the header
  ASSERT_TRUE(FileHeader::DecodeFrom(three.data(), three.size(), &h, &why)) << why;
  EXPECT_EQ(3, h.ClassCount);
  EXPECT_EQ(0, h.Class(4).BlockSize);
}

TEST(FormatTest, BlockHeaderRoundTrip) {
  BlockHeader b;
  b.Class = 7;
  b.Owner = 0x01020304;
  b.Next = -1;
  b.PayloadLength = 65506;
  b.PlainLength = 123456;
  b.StoredLength = 0;
  uint8_t buf[kBlockHeaderSize];
  b.EncodeTo(buf);
  EXPECT_EQ(0x04, buf[2]);  // owner, lowest byte first
  EXPECT_EQ(0xFF, buf[6]);
  BlockHeader c = BlockHeader::DecodeFrom(buf);
  EXPECT_EQ(b.Class, c.Class);
  EXPECT_EQ(b.Owner, c.Owner);
  EXPECT_EQ(b.Next, c.Next);
  EXPECT_EQ(b.PayloadLength, c.PayloadLength);
  EXPECT_EQ(b.PlainLength, c.PlainLength);
  EXPECT_EQ(b.StoredLength, c.StoredLength);
}

}  // namespace
}  // namespace store
