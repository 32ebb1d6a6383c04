#include "platform/Win32.h"
// After windows.h.
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Console.h"
#include "platform/Win32Text.h"

namespace platform {
namespace {

HANDLE StdHandle(StdStream stream) {
  switch (stream) {
    case StdStream::kIn:
      return GetStdHandle(STD_INPUT_HANDLE);
    case StdStream::kOut:
      return GetStdHandle(STD_OUTPUT_HANDLE);
    case StdStream::kErr:
      return GetStdHandle(STD_ERROR_HANDLE);
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

// GetConsoleMode answers only for a console: the C library's isatty also
// says yes for the NUL device.
bool IsTerminal(StdStream stream) {
  DWORD mode = 0;
  HANDLE h = StdHandle(stream);
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) != 0;
}

void PrepareConsole() {
  // The program's texts are UTF-8; so are the answers read back.
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  // "\r\033[K" of the progress bar: understood by consoles since
  // Windows 10 once asked for.
  for (StdStream s : {StdStream::kOut, StdStream::kErr}) {
    DWORD mode = 0;
    HANDLE h = StdHandle(s);
    if (GetConsoleMode(h, &mode)) SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
  SetBinaryMode(StdStream::kOut);
  SetBinaryMode(StdStream::kErr);
}

void SetBinaryMode(StdStream stream) {
  FILE* f = stream == StdStream::kIn ? stdin : stream == StdStream::kOut ? stdout : stderr;
  std::fflush(f);
  _setmode(_fileno(f), _O_BINARY);
}

char** Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {
    if (wide) LocalFree(wide);
    return argv;
  }
  static std::vector<std::string> args;
  static std::vector<char*> pointers;
  args.clear();
  for (int i = 0; i < count; ++i) args.push_back(FromWide(wide[i]));
  LocalFree(wide);
  pointers.clear();
  for (auto& a : args) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  return pointers.data();
}

}  // namespace platform
