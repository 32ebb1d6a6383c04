// Tests that run the built programs through the system's shell: sh here,
// cmd.exe on Windows (under wine), which knows neither single quotes nor
// /dev/null.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace testing_util {

#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
inline std::string ShellQuote(const std::string& s) {
  return "\"" + s + "\"";
}
// cmd /c drops the first and the last quote of a line that starts with
// one: a pair around the whole line keeps the rest intact.
inline std::string ShellLine(const std::string& cmd) {
  return "\"" + cmd + "\"";
}
inline int ExitCode(int status) {
  return status;
}
inline FILE* OpenPipe(const std::string& cmd) {
  return _popen(ShellLine(cmd).c_str(), "rb");
}
inline int ClosePipe(FILE* p) {
  return _pclose(p);
}
#else
inline constexpr const char* kNullDevice = "/dev/null";
inline std::string ShellQuote(const std::string& s) {
  return "'" + s + "'";
}
inline std::string ShellLine(const std::string& cmd) {
  return cmd;
}
inline int ExitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
inline FILE* OpenPipe(const std::string& cmd) {
  return popen(cmd.c_str(), "r");
}
inline int ClosePipe(FILE* p) {
  return pclose(p);
}
#endif

// A program of this build (relative path, no suffix), quoted for the shell.
inline std::string BuiltProgram(const std::string& rel) {
#ifdef _WIN32
  return ShellQuote(std::string(PODZIAL_BINARY_DIR) + "/" + rel + ".exe");
#else
  return ShellQuote(std::string(PODZIAL_BINARY_DIR) + "/" + rel);
#endif
}

// Runs a shell command line; its exit code, -1 when it did not end itself.
inline int RunShell(const std::string& cmd) {
#ifdef _WIN32
  // cmd.exe says 9009 when it could not start the program at all (none of
  // ours exits so); under wine on a loaded machine that happens now and
  // then, so the line is tried again.
  constexpr int kNotStarted = 9009;
  int code = kNotStarted;
  for (int attempt = 0; attempt < 3 && code == kNotStarted; ++attempt) {
    code = ExitCode(std::system(ShellLine(cmd).c_str()));
  }
  return code;
#else
  return ExitCode(std::system(ShellLine(cmd).c_str()));
#endif
}

// Runs a shell command line and returns its standard output.
inline std::string RunShellOutput(const std::string& cmd, int* rc) {
  std::string out;
  FILE* p = OpenPipe(cmd);
  if (!p) {
    *rc = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  *rc = ExitCode(ClosePipe(p));
  return out;
}

}  // namespace testing_util
