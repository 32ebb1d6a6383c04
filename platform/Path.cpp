// Path arithmetic for POSIX paths.
#include "platform/Path.h"

namespace platform {

std::string ExtractFilePath(const std::string& p) {
  size_t i = p.rfind(kPathDelim);
  return i == std::string::npos ? std::string() : p.substr(0, i + 1);
}

std::string ExtractFileDir(const std::string& p) {
  size_t i = p.rfind(kPathDelim);
  if (i == std::string::npos) return std::string();
  // Keep the separator when it is the root or follows another separator.
  if (i == 0 || p[i - 1] == kPathDelim) return p.substr(0, i + 1);
  return p.substr(0, i);
}

std::string ExtractFileName(const std::string& p) {
  size_t i = p.rfind(kPathDelim);
  return i == std::string::npos ? p : p.substr(i + 1);
}

std::string ExtractFileExt(const std::string& p) {
  size_t dot = p.rfind('.');
  size_t sep = p.rfind(kPathDelim);
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return std::string();
  return p.substr(dot);
}

}  // namespace platform
