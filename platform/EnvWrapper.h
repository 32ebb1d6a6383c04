// An Env that forwards every call to another one. Tests derive from it and
// override the calls they want to fail or count.
#pragma once

#include "platform/Env.h"

namespace platform {

class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  Status OpenFile(const std::string& path, OpenMode mode, std::unique_ptr<File>* result) override {
    return target_->OpenFile(path, mode, result);
  }
  bool FileExists(const std::string& path) override { return target_->FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return target_->DirectoryExists(path); }
  std::string ResolvePath(const std::string& path) override { return target_->ResolvePath(path); }
  Status CopyFile(const std::string& from, const std::string& to) override {
    return target_->CopyFile(from, to);
  }
  // MoveFile is not forwarded: Env's composition runs over this wrapper's
  // primitives, so a test can refuse a rename flag or links alone.
  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    return target_->RenameNoReplace(from, to);
  }
  Status LinkFile(const std::string& from, const std::string& to) override {
    return target_->LinkFile(from, to);
  }
  Status RenameFile(const std::string& from, const std::string& to) override {
    return target_->RenameFile(from, to);
  }
  Status CopyPermissions(const std::string& from, const std::string& to) override {
    return target_->CopyPermissions(from, to);
  }
  Status DeleteFile(const std::string& path) override { return target_->DeleteFile(path); }
  Status CreateDirectories(const std::string& path) override {
    return target_->CreateDirectories(path);
  }
  Status CreateNewDirectory(const std::string& path) override {
    return target_->CreateNewDirectory(path);
  }
  Status RemoveDirectory(const std::string& path) override {
    return target_->RemoveDirectory(path);
  }
  Status ListDirectory(const std::string& dir, const std::string& pattern,
                       std::vector<DirEntry>* entries) override {
    return target_->ListDirectory(dir, pattern, entries);
  }
  Status SyncDirectory(const std::string& dir) override { return target_->SyncDirectory(dir); }
  std::string TempDirectory() override { return target_->TempDirectory(); }
  bool SameDirectory(const std::string& a, const std::string& b) override {
    return target_->SameDirectory(a, b);
  }
  bool SameFile(const std::string& a, const std::string& b) override {
    return target_->SameFile(a, b);
  }
  bool IsLink(const std::string& path) override { return target_->IsLink(path); }
  Status ModifiedAge(const std::string& path, int64_t* seconds) override {
    return target_->ModifiedAge(path, seconds);
  }
  Status FreeSpace(const std::string& dir, uint64_t* bytes) override {
    return target_->FreeSpace(dir, bytes);
  }
  Status CanCreateIn(const std::string& dir) override { return target_->CanCreateIn(dir); }

 private:
  Env* target_;
};

// A File that forwards every call; wrap the File an EnvWrapper::OpenFile got
// to fail single reads, writes or flushes.
class FileWrapper : public File {
 public:
  explicit FileWrapper(std::unique_ptr<File> target) : target_(std::move(target)) {}
  File* target() const { return target_.get(); }

  Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    return target_->ReadAt(offset, buf, n, got);
  }
  Status WriteAt(uint64_t offset, const void* buf, size_t n) override {
    return target_->WriteAt(offset, buf, n);
  }
  Status Size(uint64_t* size) override { return target_->Size(size); }
  Status Flush() override { return target_->Flush(); }
  Status LockByte(uint64_t offset) override { return target_->LockByte(offset); }
  Status LockByteFor(uint64_t offset, int64_t timeout_ms) override {
    return target_->LockByteFor(offset, timeout_ms);
  }
  Status UnlockByte(uint64_t offset) override { return target_->UnlockByte(offset); }
  Status Close() override { return target_->Close(); }
  const std::string& Path() const override { return target_->Path(); }
  bool IsAt(const std::string& path) override { return target_->IsAt(path); }

 private:
  std::unique_ptr<File> target_;
};

}  // namespace platform
