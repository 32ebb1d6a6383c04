// The one Env the tests wrap around the system's to see and disturb what
// the code under test does with files. It counts every call by kind, and
// numbers the calls that change or list the file system and every read,
// write and flush in one sequence (what(n) says what number n was). It
// fails the Nth call of chosen kinds, optionally only on paths with a given
// ending and optionally every later one too, or runs a hook there instead
// (the crash test kills itself there). It can also behave like a network
// share that refuses the no-replace rename flag, or hard links too.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/EnvWrapper.h"

namespace test_support {

class FaultEnv : public platform::EnvWrapper {
 public:
  // Kinds of calls, as bits: a fault or a count names one kind or several.
  enum Op : uint32_t {
    kOpenRead = 1u << 0,   // an existing file, read only
    kOpenWrite = 1u << 1,  // an existing file, read and write
    kCreate = 1u << 2,     // a new file
    kRead = 1u << 3,
    kWrite = 1u << 4,
    kFlush = 1u << 5,
    kLock = 1u << 6,
    kClose = 1u << 7,
    kCopy = 1u << 8,
    kMove = 1u << 9,  // the rename that never replaces
    kLink = 1u << 10,
    kRename = 1u << 11,
    kDelete = 1u << 12,
    kMkdir = 1u << 13,
    kRmdir = 1u << 14,
    kList = 1u << 15,
    kChmod = 1u << 16,
    kSync = 1u << 17,
    kOpen = kOpenRead | kOpenWrite | kCreate,
    // Locks and closes are counted by kind only: a run makes many, and a
    // whole-run fault test walks the numbered sequence.
    kNumbered = ((1u << 18) - 1) & ~(kLock | kClose),
  };

  // Fails numbered call fail_at (none when not positive).
  explicit FaultEnv(int64_t fail_at = -1, platform::Env* target = platform::Env::Default());

  // Fails call number nth (from 1) among the calls of the kinds `ops` on a
  // path ending with `suffix` (any path when empty); with and_later, every
  // such call after it too. Replaces the fault set before and restarts its
  // count.
  void Fail(uint32_t ops, int64_t nth = 1, bool and_later = false, std::string suffix = "");
  // No more faults.
  void Heal() { Fail(0); }
  // Called instead of failing when set.
  std::function<void()> at_fail;
  // A share: the rename flag is refused (and links, when set too).
  bool refuse_rename_flags = false;
  bool refuse_links = false;
  // When set, the system's temporary directory.
  std::string temp_directory;
  // Off: the calls are counted by kind only, not recorded one by one (a
  // benchmark's millions of reads would fill the memory it measures).
  bool record = true;

  // Numbered calls so far.
  int64_t count() const { return count(kNumbered); }
  // Calls of the kinds `ops` so far, on paths ending with `suffix` (which
  // needs them recorded).
  int64_t count(uint32_t ops, const std::string& suffix = "") const;
  // What numbered call n was ("write /x/opisy.dat").
  std::string what(int64_t n) const;
  // The paths of the calls of the kinds `ops`, in order.
  std::vector<std::string> paths(uint32_t ops) const;
  // Forgets the calls made so far (the fault's own count goes on).
  void ResetCounts();

  platform::Status OpenFile(const std::string& path, platform::OpenMode mode,
                            std::unique_ptr<platform::File>* result) override;
  platform::Status CopyFile(const std::string& from, const std::string& to) override;
  platform::Status RenameNoReplace(const std::string& from, const std::string& to) override;
  platform::Status LinkFile(const std::string& from, const std::string& to) override;
  platform::Status RenameFile(const std::string& from, const std::string& to) override;
  platform::Status DeleteFile(const std::string& path) override;
  platform::Status CreateDirectories(const std::string& path) override;
  platform::Status CreateNewDirectory(const std::string& path) override;
  platform::Status RemoveDirectory(const std::string& path) override;
  platform::Status ListDirectory(const std::string& dir, const std::string& pattern,
                                 std::vector<platform::DirEntry>* entries) override;
  platform::Status CopyPermissions(const std::string& from, const std::string& to) override;
  platform::Status SyncDirectory(const std::string& dir) override;
  std::string TempDirectory() override;

 private:
  class File;
  struct Call {
    Op op;
    std::string path;
  };

  // Counts one call; its injected failure, or OK.
  platform::Status Check(Op op, const std::string& path);

  uint32_t fail_ops_ = 0;
  int64_t fail_nth_ = 0;
  bool fail_later_ = false;
  std::string fail_suffix_;
  int64_t matched_ = 0;
  int64_t counts_[18] = {};  // by bit
  std::vector<Call> calls_;
  std::vector<size_t> numbered_;  // indexes into calls_
};

}  // namespace test_support
