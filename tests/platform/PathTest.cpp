// Path arithmetic with the POSIX separator.
#include <gtest/gtest.h>

#include "platform/Path.h"

using namespace platform;

TEST(PathTest, DirectoryAndNameParts) {
  EXPECT_EQ(ExtractFilePath("/data/opisy.dat"), "/data/");
  EXPECT_EQ(ExtractFileDir("/data/opisy.dat"), "/data");
  EXPECT_EQ(ExtractFileDir("/opisy.dat"), "/");
  EXPECT_EQ(ExtractFileDir("opisy.dat"), "");
  EXPECT_EQ(ExtractFileDir("/data//x"), "/data//");
  EXPECT_EQ(ExtractFileName("/data/opisy.dat"), "opisy.dat");
  EXPECT_EQ(ExtractFileName("opisy.dat"), "opisy.dat");
}

TEST(PathTest, ExtensionOnlyFromTheFileName) {
  EXPECT_EQ(ExtractFileExt("/data/opisy.dat"), ".dat");
  EXPECT_EQ(ExtractFileExt("/da.ta/opisy"), "");
  EXPECT_EQ(ExtractFileExt("a.b.c"), ".c");
}
