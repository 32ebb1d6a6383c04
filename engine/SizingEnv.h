// An Env held in memory that keeps only what a new description file set
// needs to grow: every file's size and its first kilobyte (the base file's
// header block). The dry run lets a real store write a new set into it, so
// the predicted files follow the store's own packing, compression and size
// limit byte for byte while nothing reaches the disk and no payload is kept.
// A read of any byte that was not kept fails, so a store that needed more
// than the header would make the prediction fail instead of go wrong.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace engine {

class SizingEnv : public platform::Env {
 public:
  SizingEnv();
  ~SizingEnv() override;

  // The directory every file lives in, with trailing separator.
  static const std::string& Root();

  struct FileInfo {
    std::string name;  // file name only
    uint64_t size = 0;
  };
  // Every file, in name order.
  std::vector<FileInfo> Files() const;

  platform::Status OpenFile(const std::string& path, platform::OpenMode mode,
                            std::unique_ptr<platform::File>* result) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  std::string ResolvePath(const std::string& path) override { return path; }
  platform::Status CopyFile(const std::string& from, const std::string& to) override;
  platform::Status MoveFile(const std::string& from, const std::string& to) override;
  platform::Status RenameNoReplace(const std::string& from, const std::string& to) override {
    return MoveFile(from, to);
  }
  platform::Status LinkFile(const std::string& from, const std::string& to) override {
    return platform::Status::NotSupported(from + " -> " + to);
  }
  platform::Status RenameFile(const std::string& from, const std::string& to) override;
  platform::Status CopyPermissions(const std::string&, const std::string&) override {
    return platform::Status::OK();
  }
  platform::Status DeleteFile(const std::string& path) override;
  platform::Status CreateDirectories(const std::string& path) override;
  platform::Status CreateNewDirectory(const std::string& path) override;
  platform::Status RemoveDirectory(const std::string& path) override;
  platform::Status ListDirectory(const std::string& dir, const std::string& pattern,
                                 std::vector<platform::DirEntry>* entries) override;
  platform::Status SyncDirectory(const std::string&) override { return platform::Status::OK(); }
  std::string TempDirectory() override { return Root(); }
  bool SameDirectory(const std::string& a, const std::string& b) override;
  bool SameFile(const std::string& a, const std::string& b) override {
    return a == b && FileExists(a);
  }

  struct Node {
    uint64_t size = 0;
    std::vector<uint8_t> head;  // bytes [0, kKept) as written
  };
  static constexpr uint64_t kKept = 1024;

 private:
  std::map<std::string, std::shared_ptr<Node>> files_;  // by full path
};

}  // namespace engine
