// Path arithmetic of the runtime library, for this operating system. On
// POSIX the separator is '/' and there are no drive letters; on Windows
// the separator is '\', '/' is accepted as one too, and a drive ("C:")
// ends a directory part. A directory that is prefixed to a file name
// carries a trailing separator.
#pragma once

#include <string>

namespace platform {

#ifdef _WIN32
inline constexpr char kPathDelim = '\\';
inline constexpr bool IsPathDelim(char c) {
  return c == '\\' || c == '/';
}
#else
inline constexpr char kPathDelim = '/';
inline constexpr bool IsPathDelim(char c) {
  return c == '/';
}
#endif

// Index of the last separator in p, or npos.
size_t LastPathDelim(const std::string& p);
// p with every '/' turned into this system's separator (relative paths
// that the program keeps with '/').
std::string NativeSeparators(std::string p);

// P up to and including its last separator; empty if there is none.
std::string ExtractFilePath(const std::string& p);
// The same without the final separator, unless the separator is the root
// ("/x.dat" gives "/", "C:\x.dat" gives "C:\") or follows another one.
std::string ExtractFileDir(const std::string& p);
// The part after the last separator.
std::string ExtractFileName(const std::string& p);
// From the last dot after the last separator, dot included; empty if none.
std::string ExtractFileExt(const std::string& p);

}  // namespace platform
