// Shared helpers of the table engine tests: whole-file reads, a Debian
// python3 runner for the independent reader, and a small table builder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dbase/TableWriter.h"
#include "tests/platform/Shell.h"

namespace dbase_test {

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Runs a shell command and returns its standard output; *rc gets the exit
// status.
inline std::string RunCommand(const std::string& cmd, int* rc) {
  return testing_util::RunShellOutput(cmd, rc);
}

}  // namespace dbase_test
