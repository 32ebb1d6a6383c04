// Compression of records. Records are stored as zlib streams (RFC 1950), so
// that any zlib reader reads ours and we read theirs. Two backends write and
// read the same format: libdeflate (faster, the default) and zlib (for
// builds made without libdeflate, PODZIAL_ZLIB_ONLY). Compress and UnCompress keep the contract the
// store relies on: 0 = success, anything else = failure; output that would not fit the destination
// is a failure, never written past it.
#pragma once

#include <cstdint>
#include <memory>

namespace store {

class Codec {
 public:
  virtual ~Codec() = default;
  virtual const char* Name() const = 0;
  // Compresses n bytes of src into dst of *len bytes; on success *len is
  // the compressed length. Fails when the stream would not fit.
  virtual int Compress(uint8_t* dst, int32_t* len, const uint8_t* src, int32_t n) = 0;
  // Expands the zlib stream src (n bytes) into dst of *len bytes; on
  // success *len is the count produced.
  virtual int UnCompress(uint8_t* dst, int32_t* len, const uint8_t* src, int32_t n) = 0;
  // A codec of the same kind and level for another thread (one codec is
  // used by one thread at a time), giving the same bytes; null when this
  // one cannot be copied.
  virtual std::unique_ptr<Codec> Clone() const { return nullptr; }
};

// The level new records are compressed at (doc/description-file.md says
// why this one).
constexpr int kStoreLevel = 6;

// Codecs at a level from 1 to 9 (benchmarks compare levels). The
// libdeflate one is null when built without it.
std::unique_ptr<Codec> MakeZlibCodec(int level = kStoreLevel);
std::unique_ptr<Codec> MakeDeflateCodec(int level = kStoreLevel);

// The codec the store uses: libdeflate when built with it, else zlib. Tests
// and benchmarks may swap it (nullptr restores the default).
Codec& DefaultCodec();
void SetDefaultCodec(std::unique_ptr<Codec> codec);

// Expands a stored record through DefaultCodec().
int UnCompress(uint8_t* dst, int32_t* len, const uint8_t* src, int32_t n);

// What the store does with a plain record of n bytes it is to write
// compressed: the stream `codec` makes of it, in dst (n bytes), when it is
// no longer than the record; the result is the stream's length, or 0 when
// the record is stored as it is (a large record whose samples do not
// shrink is not tried). Any thread may call it with a codec of its own;
// the same codec kind and level give the same bytes on every thread.
int32_t PackPlainRecord(Codec& codec, uint8_t* dst, const uint8_t* src, int32_t n);
// False when PackPlainRecord would not try: the record is too short to
// hold anything, or large and its samples do not shrink.
bool WorthPacking(const uint8_t* src, int32_t n);

}  // namespace store
