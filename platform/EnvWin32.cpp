// The Windows Env. Share modes are the system's own (CreateFileW), the
// record lock byte is LockFileEx. Names are UTF-8 inside the program and
// UTF-16 here; letter case is left to the file system, which ignores it.
//
// Every handle shares deletion (FILE_SHARE_DELETE), as POSIX never stops a
// rename of an open file: a division moves the old files by name while it
// holds them exclusively, and the exclusive modes still keep every other
// reader and writer out. Other programs' handles seldom share deletion, so
// a file they have open cannot be moved or deleted from under them.
#include "platform/Win32.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Env.h"
#include "platform/Path.h"
#include "platform/Win32Text.h"

namespace platform {
namespace {

Status ErrorStatus(const std::string& context, DWORD err) {
  std::string msg = context + ": " + ErrorText(err);
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY:
      return Status::NotFound(msg);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_DIR_NOT_EMPTY:
      return Status::Exists(msg);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Status::Busy(msg);
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return Status::NotSupported(msg);
    default:
      return Status::IOError(msg);
  }
}

Status LastError(const std::string& context) {
  return ErrorStatus(context, GetLastError());
}

// A deleted file that waits for the last handle to close, under a name of
// its own (see DeleteFile). Listings leave it out: it is gone already.
constexpr char kAsidePrefix[] = "~podzial-usuwany-";

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED ov{};
  ov.Offset = static_cast<DWORD>(offset);
  ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return ov;
}

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(WidePath(path).c_str());
}

class Win32File final : public File {
 public:
  Win32File(HANDLE h, std::string path, bool writable)
      : h_(h), path_(std::move(path)), writable_(writable) {}
  ~Win32File() override {
    if (h_ != INVALID_HANDLE_VALUE) Close();
  }

  Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    *got = 0;
    if (h_ == INVALID_HANDLE_VALUE) return Closed();
    auto* p = static_cast<uint8_t*>(buf);
    while (*got < n) {
      const DWORD want = static_cast<DWORD>(std::min<size_t>(n - *got, kChunk));
      OVERLAPPED ov = At(offset + *got);
      DWORD r = 0;
      if (!::ReadFile(h_, p + *got, want, &r, &ov)) {
        if (GetLastError() == ERROR_HANDLE_EOF) break;
        return LastError("odczyt " + path_);
      }
      if (r == 0) break;
      *got += r;
    }
    return Status::OK();
  }

  Status WriteAt(uint64_t offset, const void* buf, size_t n) override {
    if (h_ == INVALID_HANDLE_VALUE) return Closed();
    const auto* p = static_cast<const uint8_t*>(buf);
    size_t done = 0;
    while (done < n) {
      const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, kChunk));
      OVERLAPPED ov = At(offset + done);
      DWORD w = 0;
      if (!::WriteFile(h_, p + done, want, &w, &ov)) return LastError("zapis " + path_);
      if (w == 0) return Status::IOError("zapis " + path_ + ": nic nie zapisano");
      done += w;
    }
    return Status::OK();
  }

  Status Size(uint64_t* size) override {
    if (h_ == INVALID_HANDLE_VALUE) return Closed();
    LARGE_INTEGER s;
    if (!GetFileSizeEx(h_, &s)) return LastError("rozmiar " + path_);
    *size = static_cast<uint64_t>(s.QuadPart);
    return Status::OK();
  }

  Status Flush() override {
    if (h_ == INVALID_HANDLE_VALUE) return Closed();
    if (writable_) {
      if (!FlushFileBuffers(h_)) return LastError("zapis na dysk " + path_);
      return Status::OK();
    }
    // Windows flushes only through a handle that may write; the cache it
    // empties is the file's, whichever handle filled it.
    HANDLE w = ReOpenFile(h_, GENERIC_WRITE, kShareAll, 0);
    if (w == INVALID_HANDLE_VALUE) return LastError("zapis na dysk " + path_);
    Status s;
    if (!FlushFileBuffers(w)) s = LastError("zapis na dysk " + path_);
    CloseHandle(w);
    return s;
  }

  // A read-only handle takes a shared lock, as the POSIX backend does: it
  // keeps writers out without excluding other readers.
  Status LockByte(uint64_t offset) override {
    if (h_ == INVALID_HANDLE_VALUE) return Closed();
    OVERLAPPED ov = At(offset);
    if (!LockFileEx(h_, LockFlags(), 0, 1, 0, &ov)) return LastError("blokada " + path_);
    return Status::OK();
  }

  Status LockByteFor(uint64_t offset, int64_t timeout_ms) override {
    if (h_ == INVALID_HANDLE_VALUE) return Closed();
    // LockFileEx has no time limit: try, then sleep a little longer each
    // time, up to 50 ms between attempts.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
      OVERLAPPED ov = At(offset);
      if (LockFileEx(h_, LockFlags() | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) {
        return Status::OK();
      }
      const DWORD err = GetLastError();
      if (err != ERROR_LOCK_VIOLATION && err != ERROR_IO_PENDING) {
        return ErrorStatus("blokada " + path_, err);
      }
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) return Status::Busy("blokada " + path_ + ": bajt blokady jest zajęty");
      std::this_thread::sleep_for(
          std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
      pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
  }

  Status UnlockByte(uint64_t offset) override {
    if (h_ == INVALID_HANDLE_VALUE) return Closed();
    OVERLAPPED ov = At(offset);
    if (!UnlockFileEx(h_, 0, 1, 0, &ov)) return LastError("zdjęcie blokady " + path_);
    return Status::OK();
  }

  Status Close() override {
    if (h_ == INVALID_HANDLE_VALUE) return Closed();
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(h)) return LastError("zamknięcie " + path_);
    return Status::OK();
  }

  const std::string& Path() const override { return path_; }

  bool IsAt(const std::string& path) override {
    if (h_ == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION mine, there;
    HANDLE h = CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &there) != 0;
    CloseHandle(h);
    return ok && GetFileInformationByHandle(h_, &mine) != 0 &&
           mine.dwVolumeSerialNumber == there.dwVolumeSerialNumber &&
           mine.nFileIndexHigh == there.nFileIndexHigh && mine.nFileIndexLow == there.nFileIndexLow;
  }

 private:
  static constexpr size_t kChunk = size_t{1} << 30;

  DWORD LockFlags() const { return writable_ ? LOCKFILE_EXCLUSIVE_LOCK : 0; }
  Status Closed() const { return Status::IOError(path_ + ": plik zamknięty"); }

  HANDLE h_;
  std::string path_;
  bool writable_;
};

class Win32Env final : public Env {
 public:
  Status OpenFile(const std::string& path, OpenMode mode, std::unique_ptr<File>* result) override {
    result->reset();
    DWORD access = GENERIC_READ;
    DWORD share = FILE_SHARE_DELETE;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
      case OpenMode::kReadWriteShared:
        access |= GENERIC_WRITE;
        share = kShareAll;
        break;
      case OpenMode::kReadOnlyShared:
        share = kShareAll;
        break;
      case OpenMode::kCreateExclusive:
        access |= GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
      case OpenMode::kReadWriteExclusive:
        access |= GENERIC_WRITE;
        break;
      case OpenMode::kReadOnlyExclusive:
        break;
    }
    HANDLE h = CreateFileW(WidePath(path).c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      const DWORD attr = Attributes(path);
      if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
        if (mode == OpenMode::kCreateExclusive) {
          return Status::Exists("otwarcie " + path + ": to jest katalog");
        }
        return Status::NotFound("otwarcie " + path + ": to jest katalog");
      }
      return ErrorStatus("otwarcie " + path, err);
    }
    *result = std::make_unique<Win32File>(h, path, (access & GENERIC_WRITE) != 0);
    return Status::OK();
  }

  bool FileExists(const std::string& path) override {
    const DWORD attr = Attributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool DirectoryExists(const std::string& path) override {
    const DWORD attr = Attributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
  }

  // The file system itself ignores letter case; the names on disk are
  // still what new files of a division are called and what messages show.
  std::string ResolvePath(const std::string& path) override {
    if (path.find_first_of("*?") != std::string::npos) return path;
    if (Attributes(path) == INVALID_FILE_ATTRIBUTES) return path;
    // The root stays as written: a drive ("C:\"), a share
    // ("\\server\share\") or a leading separator.
    size_t pos = 0;
    if (path.size() >= 2 && path[1] == ':') pos = 2;
    if (path.size() >= 2 && IsPathDelim(path[0]) && IsPathDelim(path[1])) {
      pos = 2;
      for (int part = 0; part < 2 && pos < path.size(); ++part) {
        while (pos < path.size() && !IsPathDelim(path[pos])) ++pos;
        if (pos < path.size()) ++pos;
      }
    }
    std::string out = path.substr(0, pos);
    while (pos < path.size()) {
      if (IsPathDelim(path[pos])) {
        out += path[pos++];
        continue;
      }
      size_t end = pos;
      while (end < path.size() && !IsPathDelim(path[end])) ++end;
      const std::string comp = path.substr(pos, end - pos);
      std::string name = comp;
      if (comp != "." && comp != "..") {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(WidePath(out + comp).c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return path;
        FindClose(h);
        name = FromWide(fd.cFileName);
      }
      out += name;
      pos = end;
    }
    return out;
  }

  Status CopyFile(const std::string& from, const std::string& to) override {
    if (!::CopyFileW(WidePath(from).c_str(), WidePath(to).c_str(), FALSE)) {
      return LastError("kopiowanie " + from + " -> " + to);
    }
    // CopyFileW carries the read-only attribute over; the copy is a
    // working file that is written to, as a POSIX copy is.
    const DWORD attr = Attributes(to);
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY)) {
      if (!SetFileAttributesW(WidePath(to).c_str(), attr & ~FILE_ATTRIBUTE_READONLY)) {
        return LastError("atrybuty " + to);
      }
    }
    return Status::OK();
  }

  // Without MOVEFILE_REPLACE_EXISTING the rename never replaces, on every
  // file system; without MOVEFILE_COPY_ALLOWED it never turns into a copy.
  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), 0)) {
      return LastError("zmiana nazwy " + from + " -> " + to);
    }
    return Status::OK();
  }

  Status LinkFile(const std::string& from, const std::string& to) override {
    // A directory has no second name; the move then falls back to a rename.
    if (DirectoryExists(from))
      return Status::NotSupported("dowiązanie " + from + ": to jest katalog");
    if (!CreateHardLinkW(WidePath(to).c_str(), WidePath(from).c_str(), nullptr)) {
      return LastError("dowiązanie " + from + " -> " + to);
    }
    return Status::OK();
  }

  Status RenameFile(const std::string& from, const std::string& to) override {
    if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
      return LastError("zmiana nazwy " + from + " -> " + to);
    }
    return Status::OK();
  }

  // The access right Windows keeps per file is the read-only attribute.
  Status CopyPermissions(const std::string& from, const std::string& to) override {
    const DWORD src = Attributes(from);
    if (src == INVALID_FILE_ATTRIBUTES) return LastError("atrybuty " + from);
    const DWORD dst = Attributes(to);
    if (dst == INVALID_FILE_ATTRIBUTES) return LastError("atrybuty " + to);
    const DWORD want = (dst & ~FILE_ATTRIBUTE_READONLY) | (src & FILE_ATTRIBUTE_READONLY);
    if (want != dst && !SetFileAttributesW(WidePath(to).c_str(), want)) {
      return LastError("atrybuty " + to);
    }
    return Status::OK();
  }

  // A file deleted while a handle is open (one that shares deletion, such
  // as the division's holds) keeps its name until the last handle closes,
  // and the name cannot be created again until then. POSIX frees the name
  // at once; so does this: the file first steps aside under a name of its
  // own in the same directory and is deleted there.
  Status DeleteFile(const std::string& path) override {
    const DWORD attr = Attributes(path);
    if (attr == INVALID_FILE_ATTRIBUTES) return LastError("usunięcie " + path);
    if (attr & FILE_ATTRIBUTE_DIRECTORY)
      return Status::IOError("usunięcie " + path + ": to jest katalog");
    const std::string aside = ExtractFilePath(path) + kAsidePrefix +
                              std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(++aside_counter_) + ".tmp";
    if (MoveFileExW(WidePath(path).c_str(), WidePath(aside).c_str(), 0)) {
      if (DeleteFileW(WidePath(aside).c_str())) return Status::OK();
      Status s = LastError("usunięcie " + path);
      MoveFileExW(WidePath(aside).c_str(), WidePath(path).c_str(), 0);
      return s;
    }
    if (!DeleteFileW(WidePath(path).c_str())) return LastError("usunięcie " + path);
    return Status::OK();
  }

  Status CreateDirectories(const std::string& path) override {
    if (path.empty()) return Status::Invalid("tworzenie katalogu: pusta ścieżka");
    const DWORD attr = Attributes(path);
    if (attr != INVALID_FILE_ATTRIBUTES) {
      return (attr & FILE_ATTRIBUTE_DIRECTORY)
                 ? Status::OK()
                 : Status::Exists("tworzenie katalogu " + path + ": to plik");
    }
    std::string dir = path;
    while (dir.size() > 1 && IsPathDelim(dir.back())) dir.pop_back();
    const size_t sep = LastPathDelim(dir);
    if (sep != std::string::npos && sep > 0) {
      const std::string parent = dir.substr(0, sep);
      // A drive ("C:") or a share root ("\\server\share") is no directory
      // to create.
      if (parent.back() != ':' && !(parent.size() > 2 && IsPathDelim(parent[0]) &&
                                    IsPathDelim(parent[1]) && LastPathDelim(parent) <= 1)) {
        Status s = CreateDirectories(parent);
        if (!s.ok()) return s;
      }
    }
    if (!CreateDirectoryW(WidePath(dir).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      return LastError("tworzenie katalogu " + dir);
    }
    return DirectoryExists(dir) ? Status::OK() : Status::IOError("tworzenie katalogu " + dir);
  }

  Status CreateNewDirectory(const std::string& path) override {
    if (!CreateDirectoryW(WidePath(path).c_str(), nullptr)) {
      return LastError("tworzenie katalogu " + path);
    }
    return Status::OK();
  }

  Status RemoveDirectory(const std::string& path) override {
    if (!RemoveDirectoryW(WidePath(path).c_str())) return LastError("usunięcie katalogu " + path);
    return Status::OK();
  }

  Status ListDirectory(const std::string& dir, const std::string& pattern,
                       std::vector<DirEntry>* entries) override {
    entries->clear();
    std::string base = dir.empty() ? "." : dir;
    if (!IsPathDelim(base.back())) base += kPathDelim;
    // The system's wildcards know short names and odd cases of "*.*";
    // every name is listed and matched here instead.
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(WidePath(base + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      if (err == ERROR_FILE_NOT_FOUND && DirectoryExists(base)) return Status::OK();
      return ErrorStatus("odczyt katalogu " + dir, err);
    }
    do {
      std::string name = FromWide(fd.cFileName);
      if (name == "." || name == ".." || name.rfind(kAsidePrefix, 0) == 0) continue;
      if (!MatchPattern(pattern, name)) continue;
      DirEntry entry;
      entry.name = std::move(name);
      entry.is_directory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      entries->push_back(std::move(entry));
    } while (FindNextFileW(h, &fd));
    const DWORD err = GetLastError();
    FindClose(h);
    if (err != ERROR_NO_MORE_FILES) return ErrorStatus("odczyt katalogu " + dir, err);
    return Status::OK();
  }

  // Windows file systems write a directory's entries through their own
  // journal; there is no per-directory flush to ask for. What remains is
  // to report a directory that is not there.
  Status SyncDirectory(const std::string& dir) override {
    if (!DirectoryExists(dir.empty() ? "." : dir)) {
      return Status::NotFound("zapis na dysk " + dir + ": nie ma takiego katalogu");
    }
    return Status::OK();
  }

  std::string TempDirectory() override {
    wchar_t buf[MAX_PATH + 2];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    std::string dir = n > 0 && n <= MAX_PATH + 1 ? FromWide(buf, n) : std::string("C:\\");
    if (!IsPathDelim(dir.back())) dir += kPathDelim;
    return dir;
  }

  bool SameDirectory(const std::string& a, const std::string& b) override {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!DirectoryInfo(a.empty() ? "." : a, &ia) || !DirectoryInfo(b.empty() ? "." : b, &ib)) {
      return false;
    }
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  }

  bool SameFile(const std::string& a, const std::string& b) override {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!FileInfo(a, &ia) || !FileInfo(b, &ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  }

  // Links and junctions only: other reparse points (files a cloud service
  // keeps, deduplicated files) are where they seem to be.
  bool IsLink(const std::string& path) override {
    std::string p = path;
    while (p.size() > 1 && IsPathDelim(p.back())) p.pop_back();
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(WidePath(p).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (fd.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
            fd.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
  }

  Status ModifiedAge(const std::string& path, int64_t* seconds) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
      return LastError("stan " + path);
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](const FILETIME& t) {
      return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) |
                                  t.dwLowDateTime);
    };
    // FILETIME counts 100-nanosecond intervals.
    *seconds = (ticks(now) - ticks(data.ftLastWriteTime)) / 10000000;
    return Status::OK();
  }

  Status FreeSpace(const std::string& dir, uint64_t* bytes) override {
    std::string base = dir.empty() ? "." : dir;
    if (!IsPathDelim(base.back())) base += kPathDelim;
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(WidePath(base).c_str(), &available, nullptr, nullptr)) {
      return ErrorStatus("wolne miejsce " + dir, GetLastError());
    }
    *bytes = available.QuadPart;
    return Status::OK();
  }

  // Whether a file may be made here is learnt by making one that goes
  // with its handle: attributes and access lists are too many to judge.
  Status CanCreateIn(const std::string& dir) override {
    std::string base = dir.empty() ? "." : dir;
    if (!IsPathDelim(base.back())) base += kPathDelim;
    const std::string probe =
        base + "~podzial-proba-" + std::to_string(GetCurrentProcessId()) + ".tmp";
    HANDLE h = CreateFileW(WidePath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      if (err == ERROR_ACCESS_DENIED || err == ERROR_WRITE_PROTECT) {
        return Status::Invalid(dir + ": brak prawa zapisu w katalogu");
      }
      return ErrorStatus("dostęp " + dir, err);
    }
    CloseHandle(h);
    return Status::OK();
  }

 private:
  // The identity of a file; an attributes-only open is allowed also while
  // somebody holds the file exclusively.
  static bool FileInfo(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE h = CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, info) != 0 &&
                    (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(h);
    return ok;
  }

  // The identity of a directory: opening one needs FILE_FLAG_BACKUP_SEMANTICS.
  static bool DirectoryInfo(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE h = CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, info) != 0 &&
                    (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CloseHandle(h);
    return ok;
  }

  std::atomic<unsigned> aside_counter_{0};
};

}  // namespace

Env* Env::Default() {
  static Win32Env* env = new Win32Env;
  return env;
}

}  // namespace platform
