#include <unistd.h>

#include "platform/Console.h"

namespace platform {

bool IsTerminal(StdStream stream) {
  switch (stream) {
    case StdStream::kIn:
      return ::isatty(STDIN_FILENO) != 0;
    case StdStream::kOut:
      return ::isatty(STDOUT_FILENO) != 0;
    case StdStream::kErr:
      return ::isatty(STDERR_FILENO) != 0;
  }
  return false;
}

void PrepareConsole() {}

void SetBinaryMode(StdStream) {}

char** Utf8Arguments(int, char** argv) {
  return argv;
}

}  // namespace platform
