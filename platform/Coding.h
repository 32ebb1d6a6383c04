// Little-endian encoding of fixed-width integers, byte by byte. Every field
// of the on-disk formats goes through these; no struct is ever cast over a
// buffer, so the code does not depend on the host's byte order or padding.
#pragma once

#include <cstdint>
#include <cstring>

namespace platform {

inline void EncodeU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void EncodeU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline void EncodeI32(uint8_t* p, int32_t v) {
  EncodeU32(p, static_cast<uint32_t>(v));
}
inline void EncodeU64(uint8_t* p, uint64_t v) {
  EncodeU32(p, static_cast<uint32_t>(v));
  EncodeU32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline uint16_t DecodeU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (static_cast<uint16_t>(p[1]) << 8));
}
inline uint32_t DecodeU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t DecodeI32(const uint8_t* p) {
  return static_cast<int32_t>(DecodeU32(p));
}
inline uint64_t DecodeU64(const uint8_t* p) {
  return static_cast<uint64_t>(DecodeU32(p)) | (static_cast<uint64_t>(DecodeU32(p + 4)) << 32);
}
// IEEE double as stored by dBASE date keys.
inline void EncodeF64(uint8_t* p, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  EncodeU64(p, bits);
}
inline double DecodeF64(const uint8_t* p) {
  uint64_t bits = DecodeU64(p);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

}  // namespace platform
