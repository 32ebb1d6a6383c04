// Text helpers shared by the store's subcommands.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace cli {

// An address as the table keeps it: eight upper-case hexadecimal digits.
inline std::string HexAddress(int32_t address) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(address));
  return buf;
}

}  // namespace cli
