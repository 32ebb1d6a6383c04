#include "platform/Win32.h"

#include "platform/Win32Text.h"

#include <cctype>

namespace platform {

std::wstring ToWide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string FromWide(const wchar_t* utf16, size_t length) {
  if (length == 0) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16, static_cast<int>(length), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

std::string FromWide(const std::wstring& utf16) {
  return FromWide(utf16.data(), utf16.size());
}

std::string FromWide(const wchar_t* utf16) {
  return FromWide(utf16, wcslen(utf16));
}

std::wstring WidePath(const std::string& utf8) {
  std::wstring w = ToWide(utf8);
  // Short paths stay as given: relative ones keep meaning the current
  // directory, and '/' keeps working as a separator.
  if (w.size() < MAX_PATH - 12 || w.rfind(L"\\\\?\\", 0) == 0) return w;
  const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return w;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return w;
  full.resize(got);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

namespace {
// A quota's refusal; MinGW's headers do not name it.
constexpr DWORD kDiskQuotaExceeded = 1295;
}  // namespace

std::string ErrorText(unsigned long code) {
  // The reasons a user meets in Polish, worded as on Linux, whatever the
  // system's language.
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "nie ma takiego pliku ani katalogu";
    case ERROR_INVALID_DRIVE:
      return "nie ma takiego dysku";
    case ERROR_DIRECTORY:
      return "część ścieżki nie jest katalogiem";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return "niedozwolona nazwa pliku";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "plik już istnieje";
    case ERROR_DIR_NOT_EMPTY:
      return "katalog nie jest pusty";
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return "brak uprawnień";
    case ERROR_WRITE_PROTECT:
      return "nośnik tylko do odczytu";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "brak miejsca na dysku";
    case kDiskQuotaExceeded:
      return "przekroczony przydział miejsca na dysku";
    case ERROR_FILE_TOO_LARGE:
      return "plik jest za duży dla tego systemu plików";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return "plik jest używany";
    case ERROR_DELETE_PENDING:
      return "plik czeka na usunięcie";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "za dużo otwartych plików";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
      return "za mało pamięci";
    case ERROR_FILENAME_EXCED_RANGE:
      return "za długa nazwa";
    case ERROR_NOT_SAME_DEVICE:
      return "pliki leżą na różnych dyskach";
    case ERROR_NOT_READY:
      return "urządzenie nie jest gotowe";
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_FILE_CORRUPT:
    case ERROR_DISK_CORRUPT:
      return "błąd wejścia-wyjścia";
    case ERROR_BAD_NETPATH:
      return "nie znaleziono ścieżki sieciowej";
    case ERROR_BAD_NET_NAME:
      return "nie znaleziono udziału sieciowego";
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_DEV_NOT_EXIST:
      return "połączenie sieciowe zostało przerwane";
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return "system plików nie obsługuje tej operacji";
    default:
      break;
  }
  // The system's own text only when it has one in Polish: an English one
  // would be the only foreign words a user meets.
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buf), 0,
      nullptr);
  std::string text = n ? FromWide(buf, n) : std::string();
  if (buf) LocalFree(buf);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  const std::string number = "błąd systemu " + std::to_string(code);
  return text.empty() ? number : text + " (" + number + ")";
}

}  // namespace platform
