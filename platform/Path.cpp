// Path arithmetic; the separators and the drive are those of Path.h.
#include "platform/Path.h"

namespace platform {
namespace {

// The last character that ends a directory part: a separator, or on
// Windows the colon of a drive ("C:opisy.dat").
size_t LastDirEnd(const std::string& p) {
  for (size_t i = p.size(); i-- > 0;) {
    if (IsPathDelim(p[i])) return i;
#ifdef _WIN32
    if (p[i] == ':') return i;
#endif
  }
  return std::string::npos;
}

}  // namespace

size_t LastPathDelim(const std::string& p) {
  for (size_t i = p.size(); i-- > 0;) {
    if (IsPathDelim(p[i])) return i;
  }
  return std::string::npos;
}

std::string NativeSeparators(std::string p) {
  for (char& c : p) {
    if (c == '/') c = kPathDelim;
  }
  return p;
}

std::string ExtractFilePath(const std::string& p) {
  size_t i = LastDirEnd(p);
  return i == std::string::npos ? std::string() : p.substr(0, i + 1);
}

std::string ExtractFileDir(const std::string& p) {
  size_t i = LastDirEnd(p);
  if (i == std::string::npos) return std::string();
  // Keep the separator when it is the root or follows another separator
  // (on Windows also a drive's colon, and the colon itself).
  bool keep = i == 0 || IsPathDelim(p[i - 1]);
#ifdef _WIN32
  keep = keep || p[i] == ':' || p[i - 1] == ':';
#endif
  return keep ? p.substr(0, i + 1) : p.substr(0, i);
}

std::string ExtractFileName(const std::string& p) {
  size_t i = LastDirEnd(p);
  return i == std::string::npos ? p : p.substr(i + 1);
}

std::string ExtractFileExt(const std::string& p) {
  size_t dot = p.rfind('.');
  size_t sep = LastDirEnd(p);
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return std::string();
  return p.substr(dot);
}

}  // namespace platform
