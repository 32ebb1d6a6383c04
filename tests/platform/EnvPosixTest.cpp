// What only the POSIX backend does: share modes emulated across processes
// (fork), and existing names resolved to their letter case on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/Env.h"
#include "tests/platform/EnvHelpers.h"
#include "tests/platform/TempDir.h"

using platform::Env;
using platform::File;
using platform::OpenMode;
using testing_util::MustOpen;
using testing_util::TempDir;
using testing_util::WriteText;

namespace {

TEST(EnvPosixTest, ShareModesHoldAcrossProcesses) {
  TempDir t;
  WriteText(t / "a.dat", "x");
  auto held = MustOpen(t / "a.dat", OpenMode::kReadWriteExclusive);
  pid_t pid = fork();
  if (pid == 0) {
    std::unique_ptr<File> f;
    platform::Status s = Env::Default()->OpenFile(t / "a.dat", OpenMode::kReadOnlyShared, &f);
    _exit(s.IsBusy() ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A pipe under a file's name (nobody writing to it) is refused at once in
// every mode instead of hanging the open.
TEST(EnvPosixTest, APipeIsRefusedNotWaitedFor) {
  TempDir t;
  ASSERT_EQ(::mkfifo((t / "podzial-kopia.ini").c_str(), 0600), 0);
  for (OpenMode mode : {OpenMode::kReadOnlyShared, OpenMode::kReadWriteShared,
                        OpenMode::kReadOnlyExclusive, OpenMode::kReadWriteExclusive}) {
    std::unique_ptr<File> f;
    platform::Status s = Env::Default()->OpenFile(t / "podzial-kopia.ini", mode, &f);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find("to nie jest zwykły plik"), std::string::npos) << s.message();
  }
}

TEST(EnvPosixTest, ExistingNamesResolveToTheirCaseExactWins) {
  TempDir t;
  ASSERT_TRUE(Env::Default()->CreateDirectories(t / "Oper_BU").ok());
  WriteText(t / "Oper_BU/OPISY.DAT", "upper");
  Env* env = Env::Default();
  EXPECT_EQ(env->ResolvePath(t / "oper_bu/opisy.dat"), t / "Oper_BU/OPISY.DAT");
  WriteText(t / "Oper_BU/opisy.dat", "lower");
  EXPECT_EQ(env->ResolvePath(t / "Oper_BU/opisy.dat"), t / "Oper_BU/opisy.dat");
  EXPECT_EQ(env->ResolvePath(t / "oper_bu/missing.dat"), t / "oper_bu/missing.dat");
}

// Links are told from what they point to, never followed.
TEST(EnvPosixTest, LinksAreSeenNotFollowed) {
  TempDir t;
  Env* env = Env::Default();
  WriteText(t / "f", "x");
  ASSERT_TRUE(env->CreateDirectories(t / "d").ok());
  ASSERT_EQ(::symlink((t / "f").c_str(), (t / "lf").c_str()), 0);
  ASSERT_EQ(::symlink((t / "d").c_str(), (t / "ld").c_str()), 0);
  EXPECT_TRUE(env->IsLink(t / "lf"));
  EXPECT_TRUE(env->IsLink(t / "ld"));
  EXPECT_FALSE(env->IsLink(t / "d"));
  EXPECT_FALSE(env->IsLink(t / "f"));
}

}  // namespace
