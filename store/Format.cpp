// Encoding and decoding of the description file's header and block header,
// the address mapping, continuation names and the packing rule.
#include "store/Format.h"

#include <algorithm>
#include <cstring>

#include "platform/Coding.h"
#include "platform/Path.h"

namespace store {

using platform::DecodeI32;
using platform::DecodeU16;
using platform::EncodeI32;
using platform::EncodeU16;

int32_t FileHeader::LimitFromBytes(int32_t maxBytes) {
  if (maxBytes == 0) return 0;
  int32_t bytes = std::max<int32_t>(maxBytes, 1000000);
  return (bytes - kMaxBlockSize) / kKilobyte;
}

void FileHeader::SetLimit(int32_t limitKb) {
  MaxSize = limitKb;
  std::memcpy(Tag.data(), limitKb != 0 ? "RAS1" : "RAS0", 4);
}

FileHeader FileHeader::NewFile(int32_t maxBytes) {
  FileHeader h;
  h.SetLimit(LimitFromBytes(maxBytes));
  h.HeaderLength = kHeaderSize;
  h.ClassCount = kMaxClasses;
  h.CurrentFile = 0;
  for (int k = 1; k <= kMaxClasses; ++k) {
    BlockClass& c = h.Class(k);
    c.FreeHead = -1;
    c.BlockSize = kKilobyte << (k - 1);
    c.Capacity = c.BlockSize - kBlockHeaderSize;
  }
  return h;
}

void FileHeader::EncodeTo(uint8_t* dst) const {
  std::memset(dst, 0, kHeaderSize);
  std::memcpy(dst, Tag.data(), 4);
  EncodeU16(dst + 4, HeaderLength);
  EncodeU16(dst + 6, ClassCount);
  EncodeI32(dst + 8, MaxSize);
  EncodeU16(dst + 12, CurrentFile);
  std::memcpy(dst + 14, Reserved.data(), Reserved.size());
  for (int k = 1; k <= kMaxClasses; ++k) {
    uint8_t* e = dst + kClassTableOffset + kClassEntrySize * (k - 1);
    EncodeI32(e, Class(k).FreeHead);
    EncodeI32(e + 4, Class(k).BlockSize);
    EncodeI32(e + 8, Class(k).Capacity);
  }
}

bool IsKnownTag(const uint8_t* p) {
  return std::memcmp(p, "RAS0", 4) == 0 || std::memcmp(p, "RAS1", 4) == 0;
}

bool FileHeader::DecodeFrom(const uint8_t* src, size_t n, FileHeader* out, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (n < static_cast<size_t>(kMinHeaderRead)) return fail("nagłówek jest za krótki");
  if (!IsKnownTag(src)) return fail("to nie jest plik opisów (nieznany znacznik pliku)");
  uint16_t length = DecodeU16(src + 4);
  if (length > kHeaderSize)
    return fail("długość nagłówka " + std::to_string(length) + " przekracza 148 bajtów");
  if (length < kClassTableOffset)
    return fail("długość nagłówka " + std::to_string(length) + " jest za mała");
  if (n < length) return fail("nagłówek jest ucięty");
  // The header proper is decoded from a zeroed copy of `length` bytes, the
  // way a reader that fills a zeroed record would see it.
  uint8_t buf[kHeaderSize] = {};
  std::memcpy(buf, src, length);
  FileHeader h;
  std::memcpy(h.Tag.data(), buf, 4);
  h.HeaderLength = length;
  h.ClassCount = DecodeU16(buf + 6);
  h.MaxSize = DecodeI32(buf + 8);
  h.CurrentFile = DecodeU16(buf + 12);
  std::memcpy(h.Reserved.data(), buf + 14, h.Reserved.size());
  if (h.ClassCount < 1 || h.ClassCount > kMaxClasses)
    return fail("liczba klas bloków " + std::to_string(h.ClassCount) + " spoza zakresu 1..9");
  if (length < kClassTableOffset + kClassEntrySize * h.ClassCount)
    return fail("nagłówek za krótki dla " + std::to_string(h.ClassCount) + " klas bloków");
  if (h.MaxSize < 0 || h.MaxSize > kMaxLimitKb)
    return fail("nieprawidłowy limit rozmiaru " + std::to_string(h.MaxSize));
  if (h.CurrentFile > kMaxFileNumber)
    return fail("numer bieżącego pliku " + std::to_string(h.CurrentFile) + " poza zbiorem");
  for (int k = 1; k <= kMaxClasses; ++k) {
    const uint8_t* e = buf + kClassTableOffset + kClassEntrySize * (k - 1);
    BlockClass& c = h.Class(k);
    c.FreeHead = DecodeI32(e);
    c.BlockSize = DecodeI32(e + 4);
    c.Capacity = DecodeI32(e + 8);
    if (k > h.ClassCount) continue;
    if (c.BlockSize < kKilobyte || c.BlockSize > kMaxBlockSize || c.BlockSize % kKilobyte != 0)
      return fail("klasa " + std::to_string(k) + ": nieprawidłowy rozmiar bloku " +
                  std::to_string(c.BlockSize));
    if (c.Capacity != c.BlockSize - kBlockHeaderSize)
      return fail("klasa " + std::to_string(k) + ": pojemność " + std::to_string(c.Capacity) +
                  " różna od rozmiaru bloku - 30");
  }
  *out = h;
  return true;
}

void BlockHeader::EncodeTo(uint8_t* dst) const {
  EncodeU16(dst, Class);
  EncodeI32(dst + 2, Owner);
  EncodeI32(dst + 6, Next);
  EncodeI32(dst + 10, PayloadLength);
  EncodeI32(dst + 14, PlainLength);
  EncodeI32(dst + 18, StoredLength);
  std::memcpy(dst + 22, Reserved.data(), Reserved.size());
}

BlockHeader BlockHeader::DecodeFrom(const uint8_t* src) {
  BlockHeader b;
  b.Class = DecodeU16(src);
  b.Owner = DecodeI32(src + 2);
  b.Next = DecodeI32(src + 6);
  b.PayloadLength = DecodeI32(src + 10);
  b.PlainLength = DecodeI32(src + 14);
  b.StoredLength = DecodeI32(src + 18);
  std::memcpy(b.Reserved.data(), src + 22, b.Reserved.size());
  return b;
}

bool MapAddress(int32_t address, int32_t limitKb, Location* loc) {
  if (address < 1 || limitKb < 0) return false;
  if (limitKb == 0 || address <= limitKb) {
    loc->File = 0;
    loc->Offset = static_cast<uint64_t>(address) * kKilobyte;
    return true;
  }
  int32_t n = address / limitKb;
  if (n > kMaxFileNumber) return false;
  loc->File = n;
  loc->Offset = static_cast<uint64_t>(address - n * limitKb) * kKilobyte;
  return true;
}

std::string BaseNameOf(const std::string& fileName) {
  std::string ext = platform::ExtractFileExt(fileName);
  if (ext.empty()) return fileName + ".";
  return fileName.substr(0, fileName.size() - ext.size() + 1);
}

std::string ContinuationName(const std::string& baseName, int n) {
  std::string digits = std::to_string(n);
  return baseName + std::string("0000").substr(0, digits.size() < 3 ? 3 - digits.size() : 0) +
         digits;
}

std::vector<int> PackRecord(const FileHeader& header, int64_t bytes, int32_t splitDepth) {
  std::vector<int> chain;
  const int K = header.ClassCount;
  if (K < 1 || K > kMaxClasses) return chain;
  auto cap = [&](int k) { return static_cast<int64_t>(header.Class(k).Capacity); };
  int64_t R = bytes;
  if (R <= 0 || cap(K) <= 0) return chain;
  auto step = [&](int k) {
    chain.push_back(k);
    R -= std::min(cap(k), R);
  };
  while (cap(K) <= R) step(K);
  int c = 1;
  for (int k = K - 1; k >= 1; --k) {
    if (cap(k) < R) {
      c = k + 1;
      break;
    }
  }
  // Wide arithmetic so that a negative or huge SplitDepth cannot overflow.
  int L = static_cast<int>(std::max<int64_t>(1, static_cast<int64_t>(c) - splitDepth));
  do {
    if (cap(c) < R) {
      step(c);
    } else {
      int64_t below = 0;
      for (int k = L; k < c; ++k) below += cap(k);
      if (below < R) step(c);
    }
    if (c > 1) --c;
  } while (R > 0);
  return chain;
}

}  // namespace store
