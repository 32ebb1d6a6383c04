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

#ifdef _WIN32
// Windows paths: either separator, and a drive that ends a directory part.
TEST(PathTest, WindowsSeparatorsAndDrives) {
  EXPECT_EQ(ExtractFilePath("C:\\baza/oper_bu\\operdok.dbf"), "C:\\baza/oper_bu\\");
  EXPECT_EQ(ExtractFileName("C:\\baza/oper_bu\\operdok.dbf"), "operdok.dbf");
  EXPECT_EQ(ExtractFileDir("C:\\opisy.dat"), "C:\\");
  EXPECT_EQ(ExtractFileDir("C:\\baza\\opisy.dat"), "C:\\baza");
  EXPECT_EQ(ExtractFileName("C:opisy.dat"), "opisy.dat");
  EXPECT_EQ(ExtractFileExt("C:\\da.ta\\opisy"), "");
  EXPECT_EQ(NativeSeparators("oper_bu/operdok.dbf"), "oper_bu\\operdok.dbf");
}
#endif
