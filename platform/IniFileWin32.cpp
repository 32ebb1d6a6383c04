// The ini file read by the system's profile functions, whose rules the
// program that writes the file relies on (blanks around names and values,
// quotes, comments, the first of repeated keys).
#include "platform/Win32.h"

#include <vector>

#include "platform/IniFile.h"
#include "platform/Win32Text.h"

namespace platform {

bool ReadIniString(Env* env, const std::string& path, const std::string& section,
                   const std::string& key, std::string* value) {
  // A name without a directory would be looked for in the Windows
  // directory.
  std::wstring file = WidePath(env->ResolvePath(path));
  const DWORD n = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
  if (n == 0) return false;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(file.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return false;
  full.resize(got);
  if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  // A text no value holds tells a missing key from an empty one.
  const wchar_t kMissing[] = L"\x01brak\x01";
  std::vector<wchar_t> buf(4096);
  const DWORD len =
      GetPrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(), kMissing, buf.data(),
                               static_cast<DWORD>(buf.size()), full.c_str());
  std::wstring text(buf.data(), len);
  if (text == kMissing) return false;
  *value = FromWide(text);
  return true;
}

}  // namespace platform
