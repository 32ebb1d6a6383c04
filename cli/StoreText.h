// Text helpers shared by the store's subcommands.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Json.h"
#include "store/Checker.h"

namespace cli {

// An address as the table keeps it: eight upper-case hexadecimal digits.
inline std::string HexAddress(int32_t address) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(address));
  return buf;
}

// The files of a set as JSON: each one's name and size on disk.
inline std::string SetFilesJson(const store::CheckReport& r) {
  std::vector<std::string> files;
  for (const auto& f : r.Files)
    files.push_back(JsonObject().Add("name", f.Name).Add("bytes", f.Size).str());
  return JsonArray(files);
}

}  // namespace cli
