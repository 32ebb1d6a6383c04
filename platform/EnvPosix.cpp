// The POSIX (Linux) Env. Share modes are emulated with flock(), the record
// lock byte with open-file-description locks (F_OFD_SETLKW): classic
// F_SETLK locks do not conflict within one process and are dropped when any
// other descriptor of the file is closed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/Env.h"

namespace platform {
namespace {

// The reason in Polish for what a user meets; strerror for the rest.
std::string Reason(int err) {
  switch (err) {
    case ENOENT:
      return "nie ma takiego pliku ani katalogu";
    case ENOTDIR:
      return "część ścieżki nie jest katalogiem";
    case EISDIR:
      return "to jest katalog";
    case EEXIST:
      return "plik już istnieje";
    case ENOTEMPTY:
      return "katalog nie jest pusty";
    case EACCES:
    case EPERM:
      return "brak uprawnień";
    case EROFS:
      return "system plików tylko do odczytu";
    case ENOSPC:
      return "brak miejsca na dysku";
    case EDQUOT:
      return "przekroczony przydział miejsca na dysku";
    case EIO:
      return "błąd wejścia-wyjścia";
    case EBUSY:
    case ETXTBSY:
      return "plik jest używany";
    case EMFILE:
    case ENFILE:
      return "za dużo otwartych plików";
    case ENAMETOOLONG:
      return "za długa nazwa";
    case EXDEV:
      return "pliki leżą w różnych systemach plików";
    default:
      return std::strerror(err);
  }
}

Status ErrnoStatus(const std::string& context, int err) {
  std::string msg = context + ": " + Reason(err);
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return Status::NotFound(msg);
    case EEXIST:
    case ENOTEMPTY:
      return Status::Exists(msg);
    case EWOULDBLOCK:
      return Status::Busy(msg);
    default:
      return Status::IOError(msg);
  }
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override { Close(); }

  Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    *got = 0;
    if (fd_ < 0) return Status::IOError(path_ + ": plik zamknięty");
    auto* p = static_cast<uint8_t*>(buf);
    while (*got < n) {
      ssize_t r = ::pread(fd_, p + *got, n - *got, static_cast<off_t>(offset + *got));
      if (r < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus("odczyt " + path_, errno);
      }
      if (r == 0) break;
      *got += static_cast<size_t>(r);
    }
    return Status::OK();
  }

  Status WriteAt(uint64_t offset, const void* buf, size_t n) override {
    if (fd_ < 0) return Status::IOError(path_ + ": plik zamknięty");
    const auto* p = static_cast<const uint8_t*>(buf);
    size_t done = 0;
    while (done < n) {
      ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus("zapis " + path_, errno);
      }
      done += static_cast<size_t>(r);
    }
    return Status::OK();
  }

  Status Size(uint64_t* size) override {
    if (fd_ < 0) return Status::IOError(path_ + ": plik zamknięty");
    struct stat st;
    if (::fstat(fd_, &st) != 0) return ErrnoStatus("stan " + path_, errno);
    *size = static_cast<uint64_t>(st.st_size);
    return Status::OK();
  }

  Status Flush() override {
    if (fd_ < 0) return Status::IOError(path_ + ": plik zamknięty");
    if (::fsync(fd_) != 0) return ErrnoStatus("zapis na dysk " + path_, errno);
    return Status::OK();
  }

  Status LockByte(uint64_t offset) override { return ByteLock(offset, F_WRLCK, F_OFD_SETLKW); }
  Status UnlockByte(uint64_t offset) override { return ByteLock(offset, F_UNLCK, F_OFD_SETLKW); }

  Status LockByteFor(uint64_t offset, int64_t timeout_ms) override {
    // POSIX has no lock wait with a time limit: try, then sleep a little
    // longer each time, up to 50 ms between attempts.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
      Status s = ByteLock(offset, F_WRLCK, F_OFD_SETLK);
      if (!s.IsBusy()) return s;
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) return s;
      std::this_thread::sleep_for(
          std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
      pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
  }

  Status Close() override {
    if (fd_ < 0) return Status::IOError(path_ + ": plik zamknięty");
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return ErrnoStatus("zamknięcie " + path_, errno);
    return Status::OK();
  }

  const std::string& Path() const override { return path_; }

  bool IsAt(const std::string& path) override {
    struct stat mine, there;
    return fd_ >= 0 && ::fstat(fd_, &mine) == 0 && ::stat(path.c_str(), &there) == 0 &&
           mine.st_dev == there.st_dev && mine.st_ino == there.st_ino;
  }

 private:
  // cmd F_OFD_SETLKW waits; F_OFD_SETLK answers Busy at once when held.
  Status ByteLock(uint64_t offset, short type, int cmd) {
    if (fd_ < 0) return Status::IOError(path_ + ": plik zamknięty");
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = 1;
    fl.l_pid = 0;  // required for OFD locks
    while (::fcntl(fd_, cmd, &fl) != 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EACCES) {
        return Status::Busy("blokada " + path_ + ": bajt blokady jest zajęty");
      }
      // A write lock needs a descriptor open for writing. A read-only one
      // takes a read lock instead: it still waits for every writer's lock
      // and keeps writers out while it is held.
      if (errno == EBADF && fl.l_type == F_WRLCK) {
        fl.l_type = F_RDLCK;
        continue;
      }
      return ErrnoStatus("blokada " + path_, errno);
    }
    return Status::OK();
  }

  int fd_;
  std::string path_;
};

bool StatPath(const std::string& path, struct stat* st) {
  return ::stat(path.c_str(), st) == 0;
}

class PosixEnv final : public Env {
 public:
  Status OpenFile(const std::string& path, OpenMode mode, std::unique_ptr<File>* result) override {
    result->reset();
    std::string real = mode == OpenMode::kCreateExclusive ? path : ResolvePath(path);
    int flags = O_CLOEXEC;
    int lock = LOCK_SH;
    switch (mode) {
      case OpenMode::kReadWriteShared:
        flags |= O_RDWR;
        break;
      case OpenMode::kReadOnlyShared:
        flags |= O_RDONLY;
        break;
      case OpenMode::kCreateExclusive:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        lock = LOCK_EX;
        break;
      case OpenMode::kReadWriteExclusive:
        flags |= O_RDWR;
        lock = LOCK_EX;
        break;
      case OpenMode::kReadOnlyExclusive:
        flags |= O_RDONLY;
        lock = LOCK_EX;
        break;
    }
    // Opened without blocking, so that a pipe planted under a file's name
    // cannot hang the program; only directories and regular files go on.
    int fd;
    do {
      fd = ::open(real.c_str(), flags | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return ErrnoStatus("otwarcie " + real, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      return Status::NotFound("otwarcie " + real + ": to jest katalog");
    }
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
      ::close(fd);
      return Status::Invalid("otwarcie " + real + ": to nie jest zwykły plik");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // A file this call has just made can only be held by somebody looking
    // at it for a moment (a recovery testing a lock file): it is waited for
    // a little.
    int waits = mode == OpenMode::kCreateExclusive ? 200 : 0;
    while (::flock(fd, lock | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      int err = errno;
      if (err == EWOULDBLOCK && waits-- > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      ::close(fd);
      if (err == EWOULDBLOCK) return Status::Busy("otwarcie " + real + ": plik jest używany");
      return ErrnoStatus("blokada " + real, err);
    }
    *result = std::make_unique<PosixFile>(fd, real);
    return Status::OK();
  }

  bool FileExists(const std::string& path) override {
    struct stat st;
    return StatPath(ResolvePath(path), &st) && !S_ISDIR(st.st_mode);
  }

  bool DirectoryExists(const std::string& path) override {
    struct stat st;
    return StatPath(ResolvePath(path), &st) && S_ISDIR(st.st_mode);
  }

  std::string ResolvePath(const std::string& path) override {
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) == 0) return path;
    // Walk the components, keeping exact matches and looking for a
    // case-insensitive one where the exact name is missing.
    std::string out = path[0] == '/' ? "/" : "";
    size_t pos = path[0] == '/' ? 1 : 0;
    while (pos <= path.size()) {
      size_t slash = path.find('/', pos);
      if (slash == std::string::npos) slash = path.size();
      std::string comp = path.substr(pos, slash - pos);
      if (!comp.empty()) {
        std::string candidate = out + comp;
        if (comp != "." && comp != ".." && ::lstat(candidate.c_str(), &st) != 0) {
          std::string dir = out.empty() ? "." : out;
          bool found = false;
          if (DIR* d = ::opendir(dir.c_str())) {
            while (struct dirent* e = ::readdir(d)) {
              if (SameNameIgnoringCase(e->d_name, comp)) {
                candidate = out + e->d_name;
                found = true;
                break;
              }
            }
            ::closedir(d);
          }
          if (!found) return path;
        }
        out = candidate;
      }
      if (slash < path.size()) out += '/';
      pos = slash + 1;
    }
    return out;
  }

  Status CopyFile(const std::string& from, const std::string& to) override {
    std::string src = ResolvePath(from);
    int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return ErrnoStatus("otwarcie " + src, errno);
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
      int err = errno;
      ::close(in);
      return ErrnoStatus("tworzenie " + to, err);
    }
    Status s;
    std::vector<char> buf(1 << 20);
    for (;;) {
      ssize_t r = ::read(in, buf.data(), buf.size());
      if (r < 0) {
        if (errno == EINTR) continue;
        s = ErrnoStatus("odczyt " + src, errno);
        break;
      }
      if (r == 0) break;
      ssize_t done = 0;
      while (done < r) {
        ssize_t w = ::write(out, buf.data() + done, static_cast<size_t>(r - done));
        if (w < 0) {
          if (errno == EINTR) continue;
          s = ErrnoStatus("zapis " + to, errno);
          break;
        }
        done += w;
      }
      if (!s.ok()) break;
    }
    ::close(in);
    if (::close(out) != 0 && s.ok()) s = ErrnoStatus("zamknięcie " + to, errno);
    return s;
  }

  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    std::string src = ResolvePath(from);
    if (::renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
      const int err = errno;
      // NFS and CIFS answer EINVAL to the flag; older kernels ENOSYS.
      if (err == EINVAL || err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP) {
        return Status::NotSupported("zmiana nazwy " + src + " -> " + to + ": " +
                                    std::strerror(err));
      }
      return ErrnoStatus("zmiana nazwy " + src + " -> " + to, err);
    }
    return Status::OK();
  }

  Status LinkFile(const std::string& from, const std::string& to) override {
    std::string src = ResolvePath(from);
    if (::link(src.c_str(), to.c_str()) != 0) {
      const int err = errno;
      // FAT and some shares refuse links with EPERM; so does a directory.
      if (err == EPERM || err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP || err == EMLINK) {
        return Status::NotSupported("dowiązanie " + src + " -> " + to + ": " + std::strerror(err));
      }
      return ErrnoStatus("dowiązanie " + src + " -> " + to, err);
    }
    return Status::OK();
  }

  Status RenameFile(const std::string& from, const std::string& to) override {
    std::string src = ResolvePath(from);
    if (::rename(src.c_str(), to.c_str()) != 0) {
      return ErrnoStatus("zmiana nazwy " + src + " -> " + to, errno);
    }
    return Status::OK();
  }

  Status CopyPermissions(const std::string& from, const std::string& to) override {
    std::string src = ResolvePath(from);
    std::string dst = ResolvePath(to);
    struct stat st;
    if (::stat(src.c_str(), &st) != 0) return ErrnoStatus("stan " + src, errno);
    // The group first: changing it may clear the set-group bit that the
    // mode then puts back. Only a member of the group may give it.
    if (::chown(dst.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0 && errno != EPERM) {
      return ErrnoStatus("grupa " + dst, errno);
    }
    if (::chmod(dst.c_str(), st.st_mode & 07777) != 0)
      return ErrnoStatus("prawa dostępu " + dst, errno);
    return Status::OK();
  }

  Status DeleteFile(const std::string& path) override {
    std::string real = ResolvePath(path);
    if (::unlink(real.c_str()) != 0) return ErrnoStatus("usunięcie " + real, errno);
    return Status::OK();
  }

  Status CreateDirectories(const std::string& path) override {
    if (path.empty()) return Status::Invalid("tworzenie katalogu: pusta ścieżka");
    std::string real = ResolvePath(path);
    struct stat st;
    if (StatPath(real, &st)) {
      return S_ISDIR(st.st_mode) ? Status::OK()
                                 : Status::Exists("tworzenie katalogu " + real + ": to plik");
    }
    size_t end = real.size();
    while (end > 1 && real[end - 1] == '/') --end;
    size_t slash = real.rfind('/', end - 1);
    if (slash != std::string::npos && slash > 0) {
      Status s = CreateDirectories(real.substr(0, slash));
      if (!s.ok()) return s;
    }
    std::string dir = real.substr(0, end);
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST)
      return ErrnoStatus("tworzenie katalogu " + dir, errno);
    return DirectoryExists(dir) ? Status::OK() : Status::IOError("tworzenie katalogu " + dir);
  }

  Status CreateNewDirectory(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) != 0) return ErrnoStatus("tworzenie katalogu " + path, errno);
    return Status::OK();
  }

  Status RemoveDirectory(const std::string& path) override {
    std::string real = ResolvePath(path);
    if (::rmdir(real.c_str()) != 0) return ErrnoStatus("usunięcie katalogu " + real, errno);
    return Status::OK();
  }

  Status ListDirectory(const std::string& dir, const std::string& pattern,
                       std::vector<DirEntry>* entries) override {
    entries->clear();
    std::string real = ResolvePath(dir.empty() ? "." : dir);
    DIR* d = ::opendir(real.c_str());
    if (!d) return ErrnoStatus("odczyt katalogu " + real, errno);
    std::string base = real;
    if (base.back() != '/') base += '/';
    while (struct dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      if (!MatchPattern(pattern, name)) continue;
      DirEntry entry;
      entry.name = name;
      if (e->d_type == DT_DIR) {
        entry.is_directory = true;
      } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
        struct stat st;
        entry.is_directory = StatPath(base + name, &st) && S_ISDIR(st.st_mode);
      }
      entries->push_back(std::move(entry));
    }
    ::closedir(d);
    return Status::OK();
  }

  Status SyncDirectory(const std::string& dir) override {
    std::string real = ResolvePath(dir);
    int fd = ::open(real.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrnoStatus("otwarcie " + real, errno);
    Status s;
    if (::fsync(fd) != 0) s = ErrnoStatus("zapis na dysk " + real, errno);
    ::close(fd);
    return s;
  }

  std::string TempDirectory() override {
    const char* env = ::getenv("TMPDIR");
    std::string dir = env && *env ? env : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
  }

  bool SameDirectory(const std::string& a, const std::string& b) override {
    struct stat sa, sb;
    if (!StatPath(ResolvePath(a.empty() ? "." : a), &sa)) return false;
    if (!StatPath(ResolvePath(b.empty() ? "." : b), &sb)) return false;
    return S_ISDIR(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }

  bool SameFile(const std::string& a, const std::string& b) override {
    struct stat sa, sb;
    if (!StatPath(ResolvePath(a), &sa) || !StatPath(ResolvePath(b), &sb)) return false;
    return S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }

  bool IsLink(const std::string& path) override {
    struct stat st;
    return ::lstat(ResolvePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  }

  Status ModifiedAge(const std::string& path, int64_t* seconds) override {
    std::string real = ResolvePath(path);
    struct stat st;
    if (::stat(real.c_str(), &st) != 0) return ErrnoStatus("stan " + real, errno);
    *seconds = static_cast<int64_t>(::time(nullptr)) - static_cast<int64_t>(st.st_mtime);
    return Status::OK();
  }

  Status FreeSpace(const std::string& dir, uint64_t* bytes) override {
    std::string real = ResolvePath(dir.empty() ? "." : dir);
    struct statvfs vfs;
    if (::statvfs(real.c_str(), &vfs) != 0) return ErrnoStatus("wolne miejsce " + real, errno);
    *bytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    return Status::OK();
  }

  Status CanCreateIn(const std::string& dir) override {
    std::string real = ResolvePath(dir.empty() ? "." : dir);
    struct statvfs vfs;
    if (::statvfs(real.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY)) {
      return Status::Invalid(real + ": system plików jest tylko do odczytu");
    }
    if (::access(real.c_str(), W_OK | X_OK) != 0) {
      const int err = errno;
      if (err == EACCES || err == EROFS || err == EPERM) {
        return Status::Invalid(real + ": brak prawa zapisu w katalogu");
      }
      return ErrnoStatus("dostęp " + real, err);
    }
    return Status::OK();
  }
};

}  // namespace

Env* Env::Default() {
  static PosixEnv* env = new PosixEnv;
  return env;
}

}  // namespace platform
