// The ini reader where the system has none: libinih over a file read
// through the Env (so that names resolve ignoring letter case).
#include <ini.h>

#include <memory>

#include "platform/IniFile.h"

namespace platform {
namespace {

// The files read this way are a few lines; anything far larger is not one.
constexpr uint64_t kMaxIniSize = 1 << 20;

bool EqualNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
    char cb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
    if (ca != cb) return false;
  }
  return *a == *b;
}

struct Lookup {
  const std::string& section;
  const std::string& key;
  bool found = false;
  std::string value;
};

int OnValue(void* user, const char* section, const char* name, const char* value) {
  auto* l = static_cast<Lookup*>(user);
  if (!l->found && EqualNoCase(section, l->section.c_str()) && EqualNoCase(name, l->key.c_str())) {
    l->found = true;
    l->value = value;
  }
  return 1;
}

}  // namespace

bool ReadIniString(Env* env, const std::string& path, const std::string& section,
                   const std::string& key, std::string* value) {
  std::unique_ptr<File> f;
  if (!env->OpenFile(path, OpenMode::kReadOnlyShared, &f).ok()) return false;
  uint64_t size = 0;
  if (!f->Size(&size).ok() || size > kMaxIniSize) return false;
  std::string text(static_cast<size_t>(size), '\0');
  size_t got = 0;
  if (size > 0 && !f->ReadAt(0, text.data(), text.size(), &got).ok()) return false;
  text.resize(got);
  Lookup l{section, key, false, std::string()};
  // A line the reader cannot parse is skipped; the rest still counts.
  ini_parse_string(text.c_str(), OnValue, &l);
  if (l.found) *value = l.value;
  return l.found;
}

}  // namespace platform
