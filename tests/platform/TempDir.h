// A fresh directory under the build's temporary area, removed with
// everything in it when the test ends.
#pragma once

#include <filesystem>
#include <random>
#include <string>

#include "platform/Path.h"

namespace testing_util {

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("podzial-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory with a trailing separator; names below it written with
  // '/' get this system's separator.
  std::string dir() const { return path_.string() + platform::kPathDelim; }
  std::string operator/(const std::string& name) const {
    return dir() + platform::NativeSeparators(name);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_util
