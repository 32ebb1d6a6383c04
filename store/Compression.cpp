// The zlib and libdeflate backends of record compression.
#include "store/Compression.h"

#include <zlib.h>

#include <cstring>

#ifdef PODZIAL_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <memory>

namespace store {
namespace {

class ZlibCodec final : public Codec {
 public:
  explicit ZlibCodec(int level) : level_(level) {}
  const char* Name() const override { return "zlib"; }
  std::unique_ptr<Codec> Clone() const override { return std::make_unique<ZlibCodec>(level_); }
  int Compress(uint8_t* dst, int32_t* len, const uint8_t* src, int32_t n) override {
    if (!dst || !len || !src || n < 0 || *len < 0) return -1;
    uLongf out = static_cast<uLongf>(*len);
    int rc = ::compress2(dst, &out, src, static_cast<uLong>(n), level_);
    if (rc != Z_OK) return rc == 0 ? -1 : rc;
    *len = static_cast<int32_t>(out);
    return 0;
  }
  int UnCompress(uint8_t* dst, int32_t* len, const uint8_t* src, int32_t n) override {
    if (!dst || !len || !src || n < 0 || *len < 0) return -1;
    uLongf out = static_cast<uLongf>(*len);
    uLong in = static_cast<uLong>(n);
    int rc = ::uncompress2(dst, &out, src, &in);
    if (rc != Z_OK) return rc == 0 ? -1 : rc;
    *len = static_cast<int32_t>(out);
    return 0;
  }

 private:
  int level_;
};

#ifdef PODZIAL_HAVE_LIBDEFLATE
class DeflateCodec final : public Codec {
 public:
  explicit DeflateCodec(int level)
      : level_(level),
        c_(libdeflate_alloc_compressor(level)),
        d_(libdeflate_alloc_decompressor()) {}
  ~DeflateCodec() override {
    if (c_) libdeflate_free_compressor(c_);
    if (d_) libdeflate_free_decompressor(d_);
  }
  DeflateCodec(const DeflateCodec&) = delete;
  DeflateCodec& operator=(const DeflateCodec&) = delete;

  const char* Name() const override { return "libdeflate"; }
  std::unique_ptr<Codec> Clone() const override { return std::make_unique<DeflateCodec>(level_); }
  int Compress(uint8_t* dst, int32_t* len, const uint8_t* src, int32_t n) override {
    if (!c_ || !dst || !len || !src || n < 0 || *len < 0) return -1;
    size_t out =
        libdeflate_zlib_compress(c_, src, static_cast<size_t>(n), dst, static_cast<size_t>(*len));
    if (out == 0) return 1;  // does not fit
    *len = static_cast<int32_t>(out);
    return 0;
  }
  int UnCompress(uint8_t* dst, int32_t* len, const uint8_t* src, int32_t n) override {
    if (!d_ || !dst || !len || !src || n < 0 || *len < 0) return -1;
    size_t out = 0;
    libdeflate_result rc = libdeflate_zlib_decompress(d_, src, static_cast<size_t>(n), dst,
                                                      static_cast<size_t>(*len), &out);
    if (rc != LIBDEFLATE_SUCCESS) return static_cast<int>(rc) == 0 ? -1 : static_cast<int>(rc);
    *len = static_cast<int32_t>(out);
    return 0;
  }

 private:
  int level_;
  libdeflate_compressor* c_;
  libdeflate_decompressor* d_;
};
#endif

std::unique_ptr<Codec>& Current() {
  static std::unique_ptr<Codec> codec;
  return codec;
}

}  // namespace

std::unique_ptr<Codec> MakeZlibCodec(int level) {
  return std::make_unique<ZlibCodec>(level);
}

std::unique_ptr<Codec> MakeDeflateCodec(int level) {
#ifdef PODZIAL_HAVE_LIBDEFLATE
  return std::make_unique<DeflateCodec>(level);
#else
  return nullptr;
#endif
}

Codec& DefaultCodec() {
  auto& codec = Current();
  if (!codec) {
    codec = MakeDeflateCodec();
    if (!codec) codec = MakeZlibCodec();
  }
  return *codec;
}

void SetDefaultCodec(std::unique_ptr<Codec> codec) {
  Current() = std::move(codec);
}

namespace {

constexpr int32_t kProbeFrom = 8 * 1024;  // smaller records are simply tried
constexpr size_t kProbeSlice = 2048;

// Whether a large record will not shrink: three slices (start, middle,
// end) are compressed at the fastest level, and if they stay at 97 % or
// more the whole record is not tried. Trying costs a full compression of
// bytes that are stored as they are in the end (a record stored
// uncompressed is offered to Compress again whenever it is copied).
bool LooksIncompressible(const uint8_t* src, int32_t n) {
  uint8_t sample[3 * kProbeSlice];
  size_t size = static_cast<size_t>(n);
  std::memcpy(sample, src, kProbeSlice);
  std::memcpy(sample + kProbeSlice, src + size / 2 - kProbeSlice / 2, kProbeSlice);
  std::memcpy(sample + 2 * kProbeSlice, src + size - kProbeSlice, kProbeSlice);
  uint8_t out[3 * kProbeSlice];
  size_t limit = sizeof sample * 97 / 100;
#ifdef PODZIAL_HAVE_LIBDEFLATE
  thread_local std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> fast(
      libdeflate_alloc_compressor(1), libdeflate_free_compressor);
  if (fast) return libdeflate_zlib_compress(fast.get(), sample, sizeof sample, out, limit) == 0;
#endif
  uLongf got = static_cast<uLongf>(limit);
  return ::compress2(out, &got, sample, sizeof sample, 1) != Z_OK;
}

}  // namespace

bool WorthPacking(const uint8_t* src, int32_t n) {
  return src && n > 0 && !(n >= kProbeFrom && LooksIncompressible(src, n));
}

int32_t PackPlainRecord(Codec& codec, uint8_t* dst, const uint8_t* src, int32_t n) {
  if (!dst || !WorthPacking(src, n)) return 0;
  int32_t len = n;
  if (codec.Compress(dst, &len, src, n) != 0 || len <= 0 || len > n) return 0;
  return len;
}

int UnCompress(uint8_t* dst, int32_t* len, const uint8_t* src, int32_t n) {
  return DefaultCodec().UnCompress(dst, len, src, n);
}

}  // namespace store
