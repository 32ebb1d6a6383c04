#include "tests/support/FaultEnv.h"

#include <algorithm>
#include <bit>
#include <iterator>

namespace test_support {

using platform::Status;

namespace {

// By bit, as Op numbers them.
const char* const kNames[] = {"open",   "open",  "create", "read", "write", "flush",
                              "lock",   "close", "copy",   "move", "link",  "rename",
                              "delete", "mkdir", "rmdir",  "list", "chmod", "sync"};

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

class FaultEnv::File : public platform::FileWrapper {
 public:
  File(FaultEnv* env, std::unique_ptr<platform::File> f) : FileWrapper(std::move(f)), env_(env) {}
  Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    Status s = env_->Check(kRead, Path());
    return s.ok() ? FileWrapper::ReadAt(offset, buf, n, got) : s;
  }
  Status WriteAt(uint64_t offset, const void* buf, size_t n) override {
    Status s = env_->Check(kWrite, Path());
    return s.ok() ? FileWrapper::WriteAt(offset, buf, n) : s;
  }
  Status Flush() override {
    Status s = env_->Check(kFlush, Path());
    return s.ok() ? FileWrapper::Flush() : s;
  }
  Status LockByte(uint64_t offset) override {
    Status s = env_->Check(kLock, Path());
    return s.ok() ? FileWrapper::LockByte(offset) : s;
  }
  Status LockByteFor(uint64_t offset, int64_t timeout_ms) override {
    Status s = env_->Check(kLock, Path());
    return s.ok() ? FileWrapper::LockByteFor(offset, timeout_ms) : s;
  }
  // A close that fails has still released the handle, as on the system.
  Status Close() override {
    Status s = env_->Check(kClose, Path());
    Status closed = FileWrapper::Close();
    return s.ok() ? closed : s;
  }

 private:
  FaultEnv* env_;
};

FaultEnv::FaultEnv(int64_t fail_at, platform::Env* target) : EnvWrapper(target) {
  if (fail_at > 0) Fail(kNumbered, fail_at);
}

void FaultEnv::Fail(uint32_t ops, int64_t nth, bool and_later, std::string suffix) {
  fail_ops_ = ops;
  fail_nth_ = nth;
  fail_later_ = and_later;
  fail_suffix_ = std::move(suffix);
  matched_ = 0;
}

int64_t FaultEnv::count(uint32_t ops, const std::string& suffix) const {
  int64_t n = 0;
  if (suffix.empty()) {
    for (size_t i = 0; i < std::size(counts_); ++i) n += (ops >> i & 1u) ? counts_[i] : 0;
  } else {
    for (const Call& c : calls_) n += (c.op & ops) && EndsWith(c.path, suffix);
  }
  return n;
}

std::string FaultEnv::what(int64_t n) const {
  const Call& c = calls_[numbered_.at(static_cast<size_t>(n - 1))];
  return kNames[std::countr_zero<uint32_t>(c.op)] + (" " + c.path);
}

std::vector<std::string> FaultEnv::paths(uint32_t ops) const {
  std::vector<std::string> out;
  for (const Call& c : calls_) {
    if (c.op & ops) out.push_back(c.path);
  }
  return out;
}

void FaultEnv::ResetCounts() {
  std::fill(std::begin(counts_), std::end(counts_), 0);
  calls_.clear();
  numbered_.clear();
}

Status FaultEnv::Check(Op op, const std::string& path) {
  ++counts_[std::countr_zero<uint32_t>(op)];
  if (record) {
    if (op & kNumbered) numbered_.push_back(calls_.size());
    calls_.push_back({op, path});
  }
  if (!(op & fail_ops_) || !EndsWith(path, fail_suffix_)) return Status::OK();
  ++matched_;
  if (matched_ != fail_nth_ && !(fail_later_ && matched_ > fail_nth_)) return Status::OK();
  if (at_fail) {
    at_fail();
    return Status::OK();
  }
  return Status::IOError(std::string("injected failure: ") +
                         kNames[std::countr_zero<uint32_t>(op)] + " " + path);
}

Status FaultEnv::OpenFile(const std::string& path, platform::OpenMode mode,
                          std::unique_ptr<platform::File>* result) {
  using platform::OpenMode;
  const Op op = mode == OpenMode::kCreateExclusive ? kCreate
                : mode == OpenMode::kReadOnlyShared || mode == OpenMode::kReadOnlyExclusive
                    ? kOpenRead
                    : kOpenWrite;
  Status s = Check(op, path);
  std::unique_ptr<platform::File> f;
  if (s.ok()) s = EnvWrapper::OpenFile(path, mode, &f);
  if (s.ok()) *result = std::make_unique<File>(this, std::move(f));
  return s;
}

Status FaultEnv::CopyFile(const std::string& from, const std::string& to) {
  Status s = Check(kCopy, from);
  return s.ok() ? EnvWrapper::CopyFile(from, to) : s;
}

Status FaultEnv::RenameNoReplace(const std::string& from, const std::string& to) {
  Status s = Check(kMove, from);
  if (s.ok() && refuse_rename_flags) return Status::NotSupported("rename flag");
  return s.ok() ? EnvWrapper::RenameNoReplace(from, to) : s;
}

Status FaultEnv::LinkFile(const std::string& from, const std::string& to) {
  Status s = Check(kLink, from);
  if (s.ok() && refuse_links) return Status::NotSupported("link");
  return s.ok() ? EnvWrapper::LinkFile(from, to) : s;
}

Status FaultEnv::RenameFile(const std::string& from, const std::string& to) {
  Status s = Check(kRename, from);
  return s.ok() ? EnvWrapper::RenameFile(from, to) : s;
}

Status FaultEnv::DeleteFile(const std::string& path) {
  Status s = Check(kDelete, path);
  return s.ok() ? EnvWrapper::DeleteFile(path) : s;
}

Status FaultEnv::CreateDirectories(const std::string& path) {
  Status s = Check(kMkdir, path);
  return s.ok() ? EnvWrapper::CreateDirectories(path) : s;
}

Status FaultEnv::CreateNewDirectory(const std::string& path) {
  Status s = Check(kMkdir, path);
  return s.ok() ? EnvWrapper::CreateNewDirectory(path) : s;
}

Status FaultEnv::RemoveDirectory(const std::string& path) {
  Status s = Check(kRmdir, path);
  return s.ok() ? EnvWrapper::RemoveDirectory(path) : s;
}

Status FaultEnv::ListDirectory(const std::string& dir, const std::string& pattern,
                               std::vector<platform::DirEntry>* entries) {
  Status s = Check(kList, dir);
  return s.ok() ? EnvWrapper::ListDirectory(dir, pattern, entries) : s;
}

Status FaultEnv::CopyPermissions(const std::string& from, const std::string& to) {
  Status s = Check(kChmod, to);
  return s.ok() ? EnvWrapper::CopyPermissions(from, to) : s;
}

Status FaultEnv::SyncDirectory(const std::string& dir) {
  Status s = Check(kSync, dir);
  return s.ok() ? EnvWrapper::SyncDirectory(dir) : s;
}

std::string FaultEnv::TempDirectory() {
  return temp_directory.empty() ? EnvWrapper::TempDirectory() : temp_directory;
}

}  // namespace test_support
