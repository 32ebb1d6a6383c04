// Wildcard matching of file names, ignoring letter case as Windows does.
#include <cctype>

#include "platform/Env.h"

namespace platform {
namespace {

bool Match(const char* p, const char* n) {
  // Iterative matcher with one backtrack point for the last '*'.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*n) {
    if (*p == '*') {
      star = p++;
      resume = n;
    } else if (*p == '?' || (*p && std::tolower(static_cast<unsigned char>(*p)) ==
                                       std::tolower(static_cast<unsigned char>(*n)))) {
      ++p;
      ++n;
    } else if (star) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  return *p == '\0';
}

}  // namespace

bool MatchPattern(const std::string& pattern, const std::string& name) {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  // "stem.*" also admits "stem" without extension, as on Windows.
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      Match(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str())) {
    return true;
  }
  return Match(pattern.c_str(), name.c_str());
}

}  // namespace platform
