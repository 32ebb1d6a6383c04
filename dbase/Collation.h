// Sort orders of character index keys under the table's language driver.
// Drivers that compare bytes as they are, and the DOS drivers whose order
// is published as a weight table (one weight per byte, keys compared weight
// by weight): code pages 437, 850 and 852. Any other driver is unknown, and
// keys whose order it would decide are refused.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace dbase {

struct Collation {
  enum class Kind { kBinary, kWeights, kUnknown };
  Kind kind = Kind::kUnknown;
  std::string name;                  // the driver's own name, e.g. "db852po0"
  const uint8_t* weights = nullptr;  // kWeights: 256 weights
  std::array<bool, 256> tied{};      // a byte whose place the table leaves open

  // Whether the order of keys holding this byte is known.
  bool Knows(uint8_t c) const;
  // Order of two keys of n bytes: -1, 0 or 1.
  int Compare(const uint8_t* a, const uint8_t* b, size_t n) const;
  // The byte that sorts like `c`: its weight, or `c` itself.
  uint8_t SortByte(uint8_t c) const { return kind == Kind::kWeights ? weights[c] : c; }
};

// A weight-table collation. Bytes that share a weight are marked tied, since
// the table does not say how such bytes are ordered, and so is NUL.
Collation MakeWeightCollation(const std::string& name, const uint8_t* weights);

// The collation of a language driver id (byte 29 of the .dbf).
const Collation& CollationFor(uint8_t language_driver);

}  // namespace dbase
