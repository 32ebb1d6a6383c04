// An Env that can only read: every open other than read-only shared and
// every change to the file system fails. The verification and the dry run
// go through it, so a store that would open a file for writing falls back
// to reading and nothing can be written by mistake.
#pragma once

#include "platform/EnvWrapper.h"

namespace engine {

class ReadOnlyEnv : public platform::EnvWrapper {
 public:
  explicit ReadOnlyEnv(platform::Env* target) : EnvWrapper(target) {}

  platform::Status OpenFile(const std::string& path, platform::OpenMode mode,
                            std::unique_ptr<platform::File>* result) override {
    if (mode != platform::OpenMode::kReadOnlyShared) return Refuse(path);
    return EnvWrapper::OpenFile(path, mode, result);
  }
  platform::Status CopyFile(const std::string&, const std::string& to) override {
    return Refuse(to);
  }
  platform::Status MoveFile(const std::string& from, const std::string&) override {
    return Refuse(from);
  }
  platform::Status RenameNoReplace(const std::string& from, const std::string&) override {
    return Refuse(from);
  }
  platform::Status LinkFile(const std::string& from, const std::string&) override {
    return Refuse(from);
  }
  platform::Status RenameFile(const std::string& from, const std::string&) override {
    return Refuse(from);
  }
  platform::Status CopyPermissions(const std::string&, const std::string& to) override {
    return Refuse(to);
  }
  platform::Status DeleteFile(const std::string& path) override { return Refuse(path); }
  platform::Status CreateDirectories(const std::string& path) override { return Refuse(path); }
  platform::Status CreateNewDirectory(const std::string& path) override { return Refuse(path); }
  platform::Status RemoveDirectory(const std::string& path) override { return Refuse(path); }

 private:
  static platform::Status Refuse(const std::string& path) {
    return platform::Status::Invalid(path + ": tylko do odczytu");
  }
};

}  // namespace engine
