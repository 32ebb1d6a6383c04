// Helpers for the store tests: file bytes, record contents, and direct
// edits of headers and blocks so that tests can build the files other
// writers (or damage) would leave.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/TempDir.h"
#include "store/Format.h"

namespace store_test {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), {});
}

inline void WriteBytes(const std::string& path, const Bytes& b) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

inline uint64_t FileSize(const std::string& path) {
  return std::filesystem::file_size(path);
}

// Bytes that do not compress.
inline Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// Text-like bytes that compress well but not trivially.
inline Bytes TextBytes(size_t n, uint32_t seed) {
  static const char* words[] = {"działka ", "punkt ", "osnowa ", "opis ",   "granica ",
                                "budynek ", "droga ", "rzeka ",  "pomiar ", "znak "};
  std::mt19937 rng(seed);
  Bytes b;
  b.reserve(n);
  while (b.size() < n) {
    const char* w = words[rng() % 10];
    for (const char* p = w; *p && b.size() < n; ++p) b.push_back(static_cast<uint8_t>(*p));
  }
  return b;
}

inline store::BlockHeader BlockHeaderAt(const std::string& path, uint64_t offset) {
  Bytes b = ReadBytes(path);
  return store::BlockHeader::DecodeFrom(b.data() + offset);
}

inline void PutBlockHeader(const std::string& path, uint64_t offset, const store::BlockHeader& h) {
  Bytes b = ReadBytes(path);
  if (b.size() < offset + store::kBlockHeaderSize) b.resize(offset + store::kBlockHeaderSize);
  h.EncodeTo(b.data() + offset);
  WriteBytes(path, b);
}

inline store::FileHeader HeaderOf(const std::string& path) {
  Bytes b = ReadBytes(path);
  store::FileHeader h;
  std::string why;
  store::FileHeader::DecodeFrom(b.data(), b.size(), &h, &why);
  return h;
}

inline void PutHeader(const std::string& path, const store::FileHeader& h) {
  Bytes b = ReadBytes(path);
  h.EncodeTo(b.data());
  WriteBytes(path, b);
}

}  // namespace store_test
