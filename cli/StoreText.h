// Text helpers shared by the store's subcommands.
#pragma once

#include <cstdio>
#include <string>

#include "store/Checker.h"

namespace cli {

// An address as the table keeps it: eight upper-case hexadecimal digits.
inline std::string HexAddress(int32_t address) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(address));
  return buf;
}

// "adres 0000002A, opisy.001 @ 1024: " for a finding.
inline std::string Where(const store::CheckReport& r, const store::CheckProblem& p) {
  std::string name = std::to_string(p.File);
  for (const auto& f : r.Files)
    if (f.Number == p.File) name = f.Name;
  std::string s;
  if (p.Address != 0) s += "adres " + HexAddress(p.Address) + ", ";
  s += name + " @ " + std::to_string(p.Offset) + ": ";
  return s;
}

}  // namespace cli
