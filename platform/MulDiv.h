// A * B / C as the platform's MulDiv computes it: a 64-bit product, the
// quotient rounded to the nearest integer (halves away from zero), and -1
// when C is 0 or the result does not fit in 32 bits.
#pragma once

#include <cstdint>

namespace platform {

inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t p = int64_t{a} * b;
  int64_t q = p / c;
  const int64_t r = p % c;
  const int64_t ar = r < 0 ? -r : r;
  const int64_t ac = c < 0 ? -int64_t{c} : int64_t{c};
  if (2 * ar >= ac) q += ((p < 0) != (c < 0)) ? -1 : 1;
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return static_cast<int32_t>(q);
}

}  // namespace platform
