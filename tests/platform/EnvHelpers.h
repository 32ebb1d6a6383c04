// What the platform tests share: a file written in one line, and a file
// opened that must open.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "platform/Env.h"

namespace testing_util {

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::unique_ptr<platform::File> MustOpen(const std::string& path, platform::OpenMode mode) {
  std::unique_ptr<platform::File> f;
  platform::Status s = platform::Env::Default()->OpenFile(path, mode, &f);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return f;
}

}  // namespace testing_util
