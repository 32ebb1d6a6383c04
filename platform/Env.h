// The operating system behind one small interface. The store, the table
// engine and the division engine reach files and directories only through
// an Env, so that a Windows backend can follow the POSIX one and tests can
// wrap it (EnvWrapper) to fail any single call.
//
// Names of existing entries are found whatever their letter case: a
// description file copied from Windows may be OPISY.DAT beside opisy.001.
// Every operation on an existing entry (opening it without creating,
// existence tests, copy and move sources, deletion, listing) resolves the
// path component by component, an exact match winning over a match that
// differs in case. New entries get exactly the name the caller built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace platform {

// The ways the system opens a file. Linux has no share modes; they are
// emulated with whole-file advisory locks taken without waiting: the shared
// modes hold a shared lock, the exclusive ones an exclusive lock. So an
// exclusive open fails (Busy) while anybody has the file open, and any open
// fails while somebody holds it exclusively. The emulation knows no "deny
// write only": a process that holds a file exclusively reads it through
// that handle, not through a second open. A file held exclusively can still
// be moved by name by the process that holds it, which is how a division
// moves the files it holds. Windows uses its own share modes, and every
// handle shares deletion so that the holder's moves work; a held file that
// is deleted frees its name at once there too.
enum class OpenMode {
  kReadWriteShared,     // existing file, read and write, others may open it
  kReadOnlyShared,      // existing file, read only, others may open it
  kCreateExclusive,     // new file; fails with Exists when the name exists
  kReadWriteExclusive,  // existing file, read and write, nobody else
  kReadOnlyExclusive,   // existing file, read only, nobody else (a hold)
};

// An open file. Positioned reads and writes take 64-bit offsets; there is
// no file pointer. Closing happens in the destructor when Close was not
// called. Not thread-safe; one File is used by one thread at a time.
class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  virtual ~File() = default;

  // Reads up to n bytes at offset into buf. *got receives the count read,
  // which is less than n only at the end of the file. Fails on an I/O error.
  virtual Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) = 0;
  // Writes all n bytes at offset, extending the file (with zeros before the
  // offset) as needed. Fails unless every byte was written.
  virtual Status WriteAt(uint64_t offset, const void* buf, size_t n) = 0;
  virtual Status Size(uint64_t* size) = 0;
  // Pushes written data to the disk (fsync).
  virtual Status Flush() = 0;
  // Exclusive lock on one byte, waiting (blocking, not spinning) until it is
  // granted. The lock belongs to this File: another File on the same path,
  // in this process or another, conflicts with it, and closing another
  // descriptor of the file does not drop it. On a file opened read-only the
  // lock is shared: it excludes every exclusive holder, not other readers.
  virtual Status LockByte(uint64_t offset) = 0;
  // The same lock, given up after timeout_ms milliseconds with Busy.
  virtual Status LockByteFor(uint64_t offset, int64_t timeout_ms) = 0;
  virtual Status UnlockByte(uint64_t offset) = 0;
  // Releases the handle and its locks. Further calls fail.
  virtual Status Close() = 0;
  // The path the file was opened under, after letter-case resolution.
  virtual const std::string& Path() const = 0;
  // Whether this open file is the one `path` names now. A lock file may be
  // removed and made again by somebody else between its creation and its
  // lock: the holder checks that it locked the file still there. False
  // where the backend cannot tell.
  virtual bool IsAt(const std::string& path);
};

struct DirEntry {
  std::string name;  // file name only, never "." or ".."
  bool is_directory = false;
};

class Env {
 public:
  Env() = default;
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;
  virtual ~Env() = default;

  // The process-wide environment of this system (POSIX or Windows). Never
  // freed.
  static Env* Default();

  virtual Status OpenFile(const std::string& path, OpenMode mode,
                          std::unique_ptr<File>* result) = 0;

  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
  // The existing entry that `path` names, letter case ignored where no exact
  // match exists; `path` itself when nothing matches.
  virtual std::string ResolvePath(const std::string& path) = 0;

  // Copies a file, replacing the target when it exists.
  virtual Status CopyFile(const std::string& from, const std::string& to) = 0;
  // Renames a file or directory; fails with Exists when the target exists
  // (never replaces it). Built on the three primitives below: an atomic
  // rename that refuses to replace; where the file system does not offer
  // it (network shares), a hard link and the removal of the old name;
  // where links are refused too, a plain rename once the target name was
  // found free (safe for the files a division holds, which nobody else
  // may touch meanwhile).
  virtual Status MoveFile(const std::string& from, const std::string& to);
  // Rename that fails with Exists when the target exists, NotSupported
  // where the file system cannot promise that atomically.
  virtual Status RenameNoReplace(const std::string& from, const std::string& to) = 0;
  // A second name for a file; Exists when taken, NotSupported where the
  // file system has no links.
  virtual Status LinkFile(const std::string& from, const std::string& to) = 0;
  // Rename that may replace an existing target (POSIX rename).
  virtual Status RenameFile(const std::string& from, const std::string& to) = 0;
  // Gives `to` the access rights of `from`: the permission bits and, where
  // the system lets this user, the group (Windows: the read-only
  // attribute).
  virtual Status CopyPermissions(const std::string& from, const std::string& to) = 0;
  virtual Status DeleteFile(const std::string& path) = 0;
  // Creates the directory and every missing parent. An existing directory
  // is success.
  virtual Status CreateDirectories(const std::string& path) = 0;
  // Creates one directory whose parent exists; fails with Exists when the
  // name is taken, a directory included, so that two callers never share
  // one.
  virtual Status CreateNewDirectory(const std::string& path) = 0;
  // Removes an empty directory.
  virtual Status RemoveDirectory(const std::string& path) = 0;
  // Every entry of a directory, hidden ones included, in the order the
  // system lists them. `pattern` is a wildcard (* and ?) matched against the
  // name ignoring letter case; "*" or "*.*" admit every name.
  virtual Status ListDirectory(const std::string& dir, const std::string& pattern,
                               std::vector<DirEntry>* entries) = 0;
  // Pushes a directory's entries (creations, renames) to the disk.
  virtual Status SyncDirectory(const std::string& dir) = 0;
  // The system's directory for temporary files, ending with a separator.
  virtual std::string TempDirectory() = 0;
  // Whether two paths name the same directory on disk (same device and
  // inode), not merely equal strings.
  virtual bool SameDirectory(const std::string& a, const std::string& b) = 0;
  // Whether two existing paths are names of one file (a move that made a
  // link and was cut short leaves both).
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // Whether the entry `path` names is a symbolic link (on Windows any
  // reparse point: links and junctions), not followed. False when there is
  // no such entry.
  virtual bool IsLink(const std::string& path);
  // Seconds since the entry (file or directory) was last modified; the
  // system's clock decides, so the value may be negative after a clock
  // change. NotSupported where the backend cannot tell.
  virtual Status ModifiedAge(const std::string& path, int64_t* seconds);
  // Bytes this user may still write on the file system that holds `dir`.
  // NotSupported where the backend cannot tell.
  virtual Status FreeSpace(const std::string& dir, uint64_t* bytes);
  // OK when this user may create entries in `dir`; Invalid with the reason
  // when not (no write permission, a file system mounted read-only).
  // NotSupported where the backend cannot tell.
  virtual Status CanCreateIn(const std::string& dir);
};

// Copies what the open file `from` holds into a new file `to` (fails with
// Exists when the name is taken), reading through that handle: a file this
// process holds exclusively cannot be opened a second time.
Status CopyOpenFile(Env* env, File* from, const std::string& to);

// Case-insensitive wildcard match of a file name: '*' any run, '?' one
// character. "*.*" matches every name, as on Windows, also one without dot.
// Letter case is ignored for ASCII and for the accented letters of UTF-8
// names (Polish among them).
bool MatchPattern(const std::string& pattern, const std::string& name);
// Whether two file names are equal ignoring letter case as MatchPattern does.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

}  // namespace platform
