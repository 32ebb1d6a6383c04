// The on-disk layout of a description file set: the header of the base
// file, the 30-byte block header, the mapping of addresses to files and
// offsets, continuation names and the rule that picks the block classes of
// a record's chain. Everything here is pure: no file access, so the rules
// can be tested on their own and shared by the store and the checker.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace store {

// An address as the tables keep it and the user types it: eight upper-case
// hexadecimal digits.
inline std::string HexAddress8(int32_t address) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(address));
  return buf;
}

inline constexpr int kKilobyte = 1024;
inline constexpr int kHeaderBlockSize = 1024;  // the base file's first kilobyte
inline constexpr int kHeaderSize = 148;        // the header proper
inline constexpr int kMinHeaderRead = 6;       // tag and header length
inline constexpr int kMaxClasses = 9;
inline constexpr int kClassTableOffset = 40;
inline constexpr int kClassEntrySize = 12;
inline constexpr int kBlockHeaderSize = 30;
inline constexpr int kMaxBlockSize = 262144;  // also the size of the shared block buffer
inline constexpr uint64_t kLockOffset = 1023;
inline constexpr int kMaxFileNumber = 999;
// A limit M (kilobytes) must still be reportable in bytes as a signed
// 32-bit value.
inline constexpr int32_t kMaxLimitKb = INT32_MAX / kKilobyte;

struct BlockClass {
  int32_t FreeHead = -1;  // first free block of the class, -1 = none
  int32_t BlockSize = 0;
  int32_t Capacity = 0;  // BlockSize - 30
};

// The 148-byte header at the start of the base file.
struct FileHeader {
  std::array<char, 4> Tag{};
  uint16_t HeaderLength = 0;
  uint16_t ClassCount = 0;
  int32_t MaxSize = 0;  // limit M in kilobytes, 0 = none
  uint16_t CurrentFile = 0;
  std::array<uint8_t, 26> Reserved{};
  std::array<BlockClass, kMaxClasses> Classes{};

  // The header of a new file: nine classes of 1 KB to 256 KB, empty free
  // lists, the limit derived from maxBytes.
  static FileHeader NewFile(int32_t maxBytes);
  // Limit M in kilobytes for a limit of maxBytes bytes (0 = none). A small
  // limit counts as 1,000,000 bytes; the largest block is kept below it.
  static int32_t LimitFromBytes(int32_t maxBytes);
  // Sets M and the tag that goes with it.
  void SetLimit(int32_t limitKb);

  // Writes exactly kHeaderSize bytes.
  void EncodeTo(uint8_t* dst) const;
  // Decodes the first n bytes of a base file (n may be anything; missing
  // bytes fail). Refuses what the structures cannot hold: a foreign tag, a
  // header longer than 148 bytes or too short for its classes, a class
  // count outside 1..9, a block size that is not a multiple of 1,024 up to
  // 262,144, a capacity other than block size - 30, a limit below 0 or too
  // large to report in bytes, a current file outside the set. On failure
  // *out is unchanged and *error says why.
  static bool DecodeFrom(const uint8_t* src, size_t n, FileHeader* out, std::string* error);

  const BlockClass& Class(int k) const { return Classes[static_cast<size_t>(k - 1)]; }
  BlockClass& Class(int k) { return Classes[static_cast<size_t>(k - 1)]; }
  std::string TagText() const { return std::string(Tag.data(), Tag.size()); }
};

// The 30-byte header at the start of every block.
struct BlockHeader {
  uint16_t Class = 0;
  int32_t Owner = 0;  // address of the record's first block, 0 = free block
  int32_t Next = -1;  // next block of the record (or free list), -1 = last
  int32_t PayloadLength = 0;
  int32_t PlainLength = 0;
  int32_t StoredLength = 0;  // 0 = stored uncompressed
  std::array<uint8_t, 8> Reserved{};

  void EncodeTo(uint8_t* dst) const;  // exactly kBlockHeaderSize bytes
  static BlockHeader DecodeFrom(const uint8_t* src);
};

// Whether four bytes are one of the two tags of a description file.
bool IsKnownTag(const uint8_t* p);

// Where an address lies: file number (0 = base file) and byte offset.
struct Location {
  int File = 0;
  uint64_t Offset = 0;
};

// Maps an address through limit M. Fails for addresses below 1 and for
// those that would need a file number above 999.
bool MapAddress(int32_t address, int32_t limitKb, Location* loc);

// The name cut after the dot that starts its extension; a name without an
// extension gets a dot appended ("opisy" -> "opisy.").
std::string BaseNameOf(const std::string& fileName);
// BaseName followed by n in three decimal digits ("opisy." -> "opisy.007").
std::string ContinuationName(const std::string& baseName, int n);

// The classes of the chain that stores `bytes` bytes (in order): full
// blocks of the last class, then a tail among the smaller classes weighing
// splitDepth of them. Each block holds min(capacity, bytes left).
std::vector<int> PackRecord(const FileHeader& header, int64_t bytes, int32_t splitDepth);

}  // namespace store
