// An Env that counts every operation that changes or lists the file system
// (open, copy, rename, link, delete, directory creation and removal,
// listing, rights, directory flush) and every read, write and flush of an
// open file, and fails the one with a chosen number, or calls a hook at it
// (the crash test kills itself there). It can also behave like a network
// share that refuses the no-replace rename flag, or hard links too.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/EnvWrapper.h"

namespace engine_test {

class CountingEnv : public platform::EnvWrapper {
 public:
  explicit CountingEnv(int64_t fail_at = -1)
      : EnvWrapper(platform::Env::Default()), fail_at_(fail_at) {}

  int64_t count() const { return count_; }
  // What the counted operation number n was ("write /x/opisy.dat").
  const std::string& what(int64_t n) const { return what_[static_cast<size_t>(n - 1)]; }
  // Called instead of failing when set.
  std::function<void()> at_fail;
  // A share: the rename flag is refused (and links, when set too).
  bool refuse_rename_flags = false;
  bool refuse_links = false;

  // Counts one operation; true when it must fail.
  bool Tick(const std::string& what) {
    ++count_;
    what_.push_back(what);
    if (count_ != fail_at_) return false;
    if (at_fail) {
      at_fail();
      return false;
    }
    return true;
  }
  static platform::Status Injected(const std::string& what) {
    return platform::Status::IOError("injected failure: " + what);
  }

  platform::Status OpenFile(const std::string& path, platform::OpenMode mode,
                            std::unique_ptr<platform::File>* result) override {
    if (Tick("open " + path)) return Injected("open " + path);
    std::unique_ptr<platform::File> f;
    platform::Status s = EnvWrapper::OpenFile(path, mode, &f);
    if (s.ok()) *result = std::make_unique<CountingFile>(this, std::move(f));
    return s;
  }
  platform::Status CopyFile(const std::string& from, const std::string& to) override {
    if (Tick("copy " + from)) return Injected("copy " + from);
    return EnvWrapper::CopyFile(from, to);
  }
  platform::Status RenameNoReplace(const std::string& from, const std::string& to) override {
    if (Tick("move " + from)) return Injected("move " + from);
    if (refuse_rename_flags) return platform::Status::NotSupported("rename flag");
    return EnvWrapper::RenameNoReplace(from, to);
  }
  platform::Status LinkFile(const std::string& from, const std::string& to) override {
    if (Tick("link " + from)) return Injected("link " + from);
    if (refuse_links) return platform::Status::NotSupported("link");
    return EnvWrapper::LinkFile(from, to);
  }
  platform::Status RenameFile(const std::string& from, const std::string& to) override {
    if (Tick("rename " + from)) return Injected("rename " + from);
    return EnvWrapper::RenameFile(from, to);
  }
  platform::Status DeleteFile(const std::string& path) override {
    if (Tick("delete " + path)) return Injected("delete " + path);
    return EnvWrapper::DeleteFile(path);
  }
  platform::Status CreateDirectories(const std::string& path) override {
    if (Tick("mkdir " + path)) return Injected("mkdir " + path);
    return EnvWrapper::CreateDirectories(path);
  }
  platform::Status RemoveDirectory(const std::string& path) override {
    if (Tick("rmdir " + path)) return Injected("rmdir " + path);
    return EnvWrapper::RemoveDirectory(path);
  }
  platform::Status ListDirectory(const std::string& dir, const std::string& pattern,
                                 std::vector<platform::DirEntry>* entries) override {
    if (Tick("list " + dir)) return Injected("list " + dir);
    return EnvWrapper::ListDirectory(dir, pattern, entries);
  }
  platform::Status CopyPermissions(const std::string& from, const std::string& to) override {
    if (Tick("chmod " + to)) return Injected("chmod " + to);
    return EnvWrapper::CopyPermissions(from, to);
  }
  platform::Status SyncDirectory(const std::string& dir) override {
    if (Tick("sync " + dir)) return Injected("sync " + dir);
    return EnvWrapper::SyncDirectory(dir);
  }

 private:
  class CountingFile : public platform::FileWrapper {
   public:
    CountingFile(CountingEnv* env, std::unique_ptr<platform::File> f)
        : FileWrapper(std::move(f)), env_(env) {}
    platform::Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
      if (env_->Tick("read " + Path())) return Injected("read " + Path());
      return FileWrapper::ReadAt(offset, buf, n, got);
    }
    platform::Status WriteAt(uint64_t offset, const void* buf, size_t n) override {
      if (env_->Tick("write " + Path())) return Injected("write " + Path());
      return FileWrapper::WriteAt(offset, buf, n);
    }
    platform::Status Flush() override {
      if (env_->Tick("flush " + Path())) return Injected("flush " + Path());
      return FileWrapper::Flush();
    }

   private:
    CountingEnv* env_;
  };

  int64_t fail_at_;
  int64_t count_ = 0;
  std::vector<std::string> what_;
};

}  // namespace engine_test
