// The file and path utilities: unique names that never collide, address
// text parsing, extension arithmetic and tree removal that stays inside.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/Common.h"
#include "engine/EngineError.h"
#include "platform/Path.h"
#include "tests/platform/TempDir.h"
#include "tests/support/FaultEnv.h"

namespace fs = std::filesystem;
using engine::EngineError;
using testing_util::TempDir;

namespace {

void Touch(const std::string& path) {
  std::ofstream(path, std::ios::binary) << "x";
}

TEST(UniqueNameTest, BareBaseLandsInTheTemporaryDirectoryWhichIsCreated) {
  TempDir t;
  test_support::FaultEnv env;
  env.temp_directory = t / "a/b/";
  engine::RandSeed(1);
  std::string name = engine::UniqueName("tmp", ".tmp", &env);
  EXPECT_EQ(name.rfind(t / "a/b/tmp", 0), 0u) << name;
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  EXPECT_TRUE(fs::is_directory(t / "a/b"));
  EXPECT_FALSE(fs::exists(name));
}

TEST(UniqueNameTest, SkipsFilesAndDirectoriesTestingTheFullCandidate) {
  TempDir t;
  // Seven letters leave ten candidates; nine of them are taken, by files
  // and by directories, and the free one exists only without extension.
  for (int i = 0; i < 9; ++i) {
    std::string n = t / ("abcdefg" + std::to_string(i) + ".tmp");
    if (i % 2) {
      fs::create_directory(n);
    } else {
      Touch(n);
    }
  }
  Touch(t / "abcdefg9");
  for (uint32_t seed = 0; seed < 20; ++seed) {
    engine::RandSeed(seed);
    EXPECT_EQ(engine::UniqueName(t / "abcdefg", ".tmp"), t / "abcdefg9.tmp");
  }
}

TEST(UniqueNameTest, GivesUpWhenEveryCandidateIsTaken) {
  TempDir t;
  // Eight letters: the only candidate is the base followed by "0".
  Touch(t / "abcdefgh0");
  try {
    engine::UniqueName(t / "abcdefgh", "");
    FAIL() << "no error";
  } catch (const EngineError& e) {
    EXPECT_EQ(std::string(e.what()), "Nie udało się utworzyć unikalnej nazwy: " + (t / "abcdefgh"));
  }
  // Nine letters: the range is 0, which still draws the one candidate.
  EXPECT_EQ(engine::UniqueName(t / "abcdefghi", ""), t / "abcdefghi0");
  for (int i = 0; i < 10; ++i) Touch(t / ("abcdefg" + std::to_string(i)));
  EXPECT_THROW(engine::UniqueName(t / "abcdefg", ""), EngineError);
}

TEST(UniqueNameTest, ThreeLetterNamesUseUpToFiveDigits) {
  TempDir t;
  engine::RandSeed(7);
  for (int i = 0; i < 200; ++i) {
    std::string name = fs::path(engine::UniqueName(t / "old", "")).filename().string();
    ASSERT_EQ(name.rfind("old", 0), 0u);
    std::string digits = name.substr(3);
    ASSERT_GE(digits.size(), 1u);
    ASSERT_LE(digits.size(), 5u);
    ASSERT_TRUE(digits.size() == 1 || digits[0] != '0') << name;
  }
}

TEST(HexToIntTest, DigitsLettersAndEverythingElse) {
  EXPECT_EQ(engine::HexToInt("ff"), 255);
  EXPECT_EQ(engine::HexToInt("FF"), 255);
  EXPECT_EQ(engine::HexToInt(""), 0);
  EXPECT_EQ(engine::HexToInt("1 2"), 0x102);  // a blank is the digit 0
  EXPECT_EQ(engine::HexToInt("-1"), 1);       // so is a sign
  EXPECT_EQ(engine::HexToInt("g"), 0);
  EXPECT_EQ(engine::HexToInt("FFFFFFFF"), -1);
  EXPECT_EQ(engine::HexToInt("80000000"), INT32_MIN);
  EXPECT_EQ(engine::HexToInt("123456789"), 0x23456789);  // the first digit drops out
  EXPECT_EQ(engine::HexToInt(std::string("\xFF\x80", 2)), 0);
}

TEST(IntToHex8Test, EightUpperCaseDigitsOfTheTwosComplement) {
  EXPECT_EQ(engine::IntToHex8(0x1a), "0000001A");
  EXPECT_EQ(engine::IntToHex8(-1), "FFFFFFFF");
  EXPECT_EQ(engine::IntToHex8(INT32_MIN), "80000000");
  EXPECT_EQ(engine::HexToInt(engine::IntToHex8(0x7abcdef1)), 0x7abcdef1);
}

TEST(CommonPathTest, IncludeBackslashChangeExtRemoveExt) {
  EXPECT_EQ(engine::IncludeBackslash(""), "");
  EXPECT_EQ(engine::IncludeBackslash("/a"), std::string("/a") + platform::kPathDelim);
  EXPECT_EQ(engine::IncludeBackslash("/a/"), "/a/");
  EXPECT_EQ(engine::ChangeExt("/d/opisy.dbf", ".mdx"), "/d/opisy.mdx");
  EXPECT_EQ(engine::ChangeExt("/d.x/opisy", ".mdx"), "/d.x/opisy.mdx");
  EXPECT_EQ(engine::ChangeExt("opisy.", ".dbt"), "opisy.dbt");
  EXPECT_EQ(engine::RemoveExt("/d/a.tar.gz"), "/d/a.tar");
  EXPECT_EQ(engine::RemoveExt("/d.x/opisy"), "/d.x/opisy");
  EXPECT_EQ(engine::RemoveExt(".hidden"), "");
}

TEST(StemTest, DescriptionFilesOfAStemIgnoringLetterCase) {
  EXPECT_TRUE(engine::HasStem("OPISY.001", "opisy"));
  EXPECT_TRUE(engine::HasStem("opisy", "opisy"));
  EXPECT_TRUE(engine::HasStem("opisy.txt", "opisy"));
  EXPECT_FALSE(engine::HasStem("opisyv.dat", "opisy"));
  EXPECT_FALSE(engine::HasStem("opis", "opisy"));
  EXPECT_TRUE(engine::IsDescriptionSetFile("OPISY.001", "opisy.dat"));
  EXPECT_TRUE(engine::IsDescriptionSetFile("Opisy.DAT", "opisy.dat"));
  EXPECT_TRUE(engine::IsDescriptionSetFile("opisy.999", "opisy.dat"));
  EXPECT_FALSE(engine::IsDescriptionSetFile("opisy.bak", "opisy.dat"));
  EXPECT_FALSE(engine::IsDescriptionSetFile("opisy.1234", "opisy.dat"));
  // Continuation files are numbered from 001: a ".000" is someone else's.
  EXPECT_FALSE(engine::IsDescriptionSetFile("opisy.000", "opisy.dat"));
  EXPECT_FALSE(engine::IsDescriptionSetFile("opisy.dbf", "opisy.dat"));
  EXPECT_FALSE(engine::IsDescriptionSetFile("opisyv.001", "opisy.dat"));
}

TEST(DeleteTreeTest, RemovesDepthFirst) {
  TempDir t;
  fs::create_directories(t / "w/a/b/c");
  Touch(t / "w/a/b/c/f");
  Touch(t / "w/.hidden");
  engine::DeleteTree(t / "w");
  EXPECT_FALSE(fs::exists(t / "w"));
  engine::DeleteTree(t / "does-not-exist");  // nothing to do, nothing reported
  engine::DeleteTree("");
}

TEST(DeleteTreeTest, NeverFollowsLinks) {
#ifdef _WIN32
  GTEST_SKIP() << "MinGW's library cannot make links on Windows";
#else
  TempDir t;
  fs::create_directories(t / "w/a");
  Touch(t / "w/a/f");
  fs::create_directories(t / "keep");
  Touch(t / "keep/precious");
  std::error_code made;
  fs::create_directory_symlink(t / "keep", t / "w/a/link", made);
  ASSERT_FALSE(made) << made.message();
  engine::DeleteTree(t / "w");
  EXPECT_FALSE(fs::exists(t / "w"));
  EXPECT_TRUE(fs::exists(t / "keep/precious"));
#endif
}

TEST(DeleteTreeTest, AFileThatStaysKeepsItsDirectories) {
  TempDir t;
  fs::create_directories(t / "w/sub");
  Touch(t / "w/sub/f");
  Touch(t / "w/g");
  test_support::FaultEnv env;  // cannot delete one file
  env.Fail(test_support::FaultEnv::kDelete, 1, true, t / "w/sub/f");
  engine::DeleteTree(t / "w", &env);
  EXPECT_TRUE(fs::exists(t / "w/sub/f"));
  EXPECT_FALSE(fs::exists(t / "w/g"));
}

}  // namespace
