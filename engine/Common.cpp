// File and path helpers of the division engine.
#include "engine/Common.h"

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "engine/EngineError.h"
#include "platform/Path.h"

namespace engine {

namespace {

std::mt19937& Generator() {
  static std::mt19937 gen(
      static_cast<uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  return gen;
}

// r with 0 <= r < range; 0 when the range holds one value or none.
uint32_t Random(uint32_t range) {
  if (range <= 1) return 0;
  return std::uniform_int_distribution<uint32_t>(0, range - 1)(Generator());
}

// Position of the extension's dot in FileName, or npos.
size_t ExtDot(const std::string& FileName) {
  size_t dot = FileName.rfind('.');
  size_t sep = platform::LastPathDelim(FileName);
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) {
    return std::string::npos;
  }
  return dot;
}

}  // namespace

void Randomize() {
  Generator().seed(
      static_cast<uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

void RandSeed(uint32_t seed) {
  Generator().seed(seed);
}

std::string UniqueName(const std::string& Base, const std::string& Ext, platform::Env* env) {
  std::string base = Base;
  if (platform::ExtractFilePath(base).empty()) {
    std::string temp = env->TempDirectory();
    if (!temp.empty() && !env->DirectoryExists(temp)) env->CreateDirectories(temp);
    base = temp + base;
  }
  size_t n = platform::ExtractFileName(base).size();
  // 10^(8 - n) truncated: 100,000 for "tmp", 1 for eight letters, 0 beyond.
  double range_f = std::pow(10.0, 8.0 - static_cast<double>(n));
  uint32_t range = range_f >= 1e8 ? 100000000u : static_cast<uint32_t>(range_f);
  for (int draw = 0; draw < kUniqueNameDraws; ++draw) {
    std::string candidate = base + std::to_string(Random(range)) + Ext;
    if (!env->FileExists(candidate) && !env->DirectoryExists(candidate)) return candidate;
    // With one possible candidate every further draw gives the same name.
    if (range <= 1) break;
  }
  throw EngineError("Nie udało się utworzyć unikalnej nazwy: " + Base);
}

int32_t HexToInt(const std::string& S) {
  uint32_t value = 0;
  for (unsigned char c : S) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    }
    value = (value << 4) + digit;
  }
  return static_cast<int32_t>(value);
}

std::string IncludeBackslash(const std::string& S) {
  if (S.empty() || platform::IsPathDelim(S.back())) return S;
  return S + platform::kPathDelim;
}

std::string ChangeExt(const std::string& FileName, const std::string& Ext) {
  return RemoveExt(FileName) + Ext;
}

std::string RemoveExt(const std::string& FileName) {
  size_t dot = ExtDot(FileName);
  return dot == std::string::npos ? FileName : FileName.substr(0, dot);
}

void DeleteTree(const std::string& Dir, platform::Env* env) {
  std::string dir = IncludeBackslash(Dir);
  if (dir.empty()) return;
  std::vector<platform::DirEntry> entries;
  if (env->ListDirectory(dir, "*", &entries).ok()) {
    for (const auto& e : entries) {
      // Unlinking first removes a symbolic link to a directory instead of
      // descending into what it points to; a junction on Windows is
      // removed as the empty directory it seems to be.
      if (env->DeleteFile(dir + e.name).ok()) continue;
      if (e.is_directory && env->IsLink(dir + e.name)) {
        (void)env->RemoveDirectory(dir + e.name);
        continue;
      }
      if (e.is_directory) DeleteTree(dir + e.name, env);
    }
  }
  env->RemoveDirectory(dir);
}

std::string IntToHex8(int32_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  uint32_t v = static_cast<uint32_t>(value);
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i, v >>= 4) out[i] = kDigits[v & 0xF];
  return out;
}

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const std::string& a, size_t a_len, const std::string& b) {
  if (a_len > a.size() || a_len != b.size()) return false;
  for (size_t i = 0; i < a_len; ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace

// "stem" or "stem.<anything>", letter case ignored: what the pattern
// stem + ".*" finds on Windows.
bool HasStem(const std::string& name, const std::string& stem) {
  if (EqualNoCase(name, name.size(), stem)) return true;
  return name.size() > stem.size() && name[stem.size()] == '.' &&
         EqualNoCase(name, stem.size(), stem);
}

// The description file itself or one of its continuation files
// ("stem.001" .. "stem.999"), letter case ignored.
bool IsDescriptionSetFile(const std::string& name, const std::string& data_name) {
  if (EqualNoCase(name, name.size(), data_name)) return true;
  const std::string stem = RemoveExt(data_name);
  if (name.size() != stem.size() + 4 || !HasStem(name, stem)) return false;
  for (size_t i = stem.size() + 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  // Continuation files are numbered from 001.
  return name.compare(stem.size() + 1, 3, "000") != 0;
}

std::string FolderOf(const std::string& path) {
  std::string dir = platform::ExtractFilePath(path);
  if (dir.empty()) dir = std::string(".") + platform::kPathDelim;
  return dir;
}

std::string ShownPath(platform::Env* env, const std::string& path) {
  std::string shown = env->ResolvePath(path);
  if (shown.size() > 2 && shown[0] == '.' && platform::IsPathDelim(shown[1])) shown.erase(0, 2);
  return shown;
}

}  // namespace engine
