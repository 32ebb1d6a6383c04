// The C library of Windows cannot set a directory's time: the system's own
// call can.
#include "tests/support/Backdate.h"

#include <chrono>
#include <filesystem>

#ifdef _WIN32
#include "platform/Win32.h"
#endif

namespace test_support {

bool Backdate(const std::string& path, int seconds) {
#ifdef _WIN32
  HANDLE h = CreateFileW(std::filesystem::path(path).wstring().c_str(), FILE_WRITE_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t;
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart -= static_cast<uint64_t>(seconds) * 10000000u;
  FILETIME then{t.LowPart, t.HighPart};
  const bool set = SetFileTime(h, nullptr, nullptr, &then) != 0;
  CloseHandle(h);
  return set;
#else
  std::error_code ec;
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds), ec);
  return !ec;
#endif
}

}  // namespace test_support
