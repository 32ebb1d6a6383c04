// The one way the tests run the built podzial-cli: through the system's
// shell (sh here, cmd.exe under wine), standard input from a file or the
// null device (no terminal to ask on), standard output and error kept apart.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/platform/Shell.h"
#include "tests/platform/TempDir.h"

namespace cli_test {

struct CliRun {
  int code = -1;
  std::string out, err;
};

inline std::string Q(const std::string& s) {
  return testing_util::ShellQuote(s);
}

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs `program` (a path below the build directory, no suffix) with `args`,
// a piece of a shell line: the caller quotes what needs it (Q). `input` is
// a file for standard input; empty reads the null device.
inline CliRun RunProgram(const std::string& program, const std::string& args,
                         const std::string& input = "") {
  using namespace testing_util;
  static const TempDir scratch;
  const std::string out = scratch / "out.txt", err = scratch / "err.txt";
  const std::string in = input.empty() ? std::string(kNullDevice) : ShellQuote(input);
  CliRun r;
  r.code = RunShell(BuiltProgram(program) + " " + args + " <" + in + " >" + ShellQuote(out) +
                    " 2>" + ShellQuote(err));
  r.out = Slurp(out);
  r.err = Slurp(err);
  std::error_code ec;
  std::filesystem::remove(out, ec);
  std::filesystem::remove(err, ec);
  return r;
}

inline CliRun RunCli(const std::string& args, const std::string& input = "") {
  return RunProgram("cli/podzial-cli", args, input);
}

}  // namespace cli_test
