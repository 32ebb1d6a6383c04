// The Env of this system: share modes, the record lock byte, names that
// ignore letter case, moves that never replace, holds that the holder can
// still move. EnvPosixTest.cpp adds what only the POSIX backend does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "platform/Env.h"
#include "platform/Interrupt.h"
#include "platform/LockWait.h"
#include "tests/platform/EnvHelpers.h"
#include "tests/platform/TempDir.h"
#include "tests/support/FaultEnv.h"

using platform::Env;
using platform::File;
using platform::OpenMode;
using testing_util::MustOpen;
using testing_util::TempDir;
using testing_util::WriteText;

namespace {

TEST(EnvTest, SharedOpensCoexistButExclusiveRefusesThem) {
  TempDir t;
  WriteText(t / "a.dat", "x");
  Env* env = Env::Default();
  auto rw = MustOpen(t / "a.dat", OpenMode::kReadWriteShared);
  auto ro = MustOpen(t / "a.dat", OpenMode::kReadOnlyShared);
  std::unique_ptr<File> ex;
  EXPECT_TRUE(env->OpenFile(t / "a.dat", OpenMode::kReadWriteExclusive, &ex).IsBusy());
  rw.reset();
  ro.reset();
  ex = MustOpen(t / "a.dat", OpenMode::kReadWriteExclusive);
  std::unique_ptr<File> other;
  EXPECT_TRUE(env->OpenFile(t / "a.dat", OpenMode::kReadOnlyShared, &other).IsBusy());
  EXPECT_EQ(other, nullptr);
}

TEST(EnvTest, CreateExclusiveFailsOnExistingName) {
  TempDir t;
  WriteText(t / "a.dat", "keep");
  std::unique_ptr<File> f;
  EXPECT_TRUE(Env::Default()->OpenFile(t / "a.dat", OpenMode::kCreateExclusive, &f).IsExists());
  std::ifstream in(t / "a.dat");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "keep");
}

// What a run's lock rests on: a directory made only when its name is free,
// a locked file that knows whether it is still the one at its path, and
// the age of an entry.
TEST(EnvTest, NewDirectoriesLockFilesAndAges) {
  TempDir t;
  Env* env = Env::Default();
  ASSERT_TRUE(env->CreateNewDirectory(t / "w").ok());
  EXPECT_TRUE(env->CreateNewDirectory(t / "w").IsExists());
  WriteText(t / "f", "x");
  EXPECT_TRUE(env->CreateNewDirectory(t / "f").IsExists());
  EXPECT_FALSE(env->CreateNewDirectory(t / "none/w").ok());

  auto lock = MustOpen(t / "w/lock", OpenMode::kCreateExclusive);
  EXPECT_TRUE(lock->IsAt(t / "w/lock"));
  EXPECT_FALSE(lock->IsAt(t / "f"));
  // Removed and made again by somebody else: no longer the locked file.
  ASSERT_TRUE(env->DeleteFile(t / "w/lock").ok());
  EXPECT_FALSE(lock->IsAt(t / "w/lock"));
  WriteText(t / "w/lock", "");
  EXPECT_FALSE(lock->IsAt(t / "w/lock"));

  int64_t age = -1;
  ASSERT_TRUE(env->ModifiedAge(t / "f", &age).ok());
  EXPECT_GE(age, -1);
  EXPECT_LE(age, 60);
  std::filesystem::last_write_time(
      t / "f", std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
  ASSERT_TRUE(env->ModifiedAge(t / "f", &age).ok());
  EXPECT_GE(age, 290);
  EXPECT_LE(age, 310);
  EXPECT_FALSE(env->ModifiedAge(t / "gone", &age).ok());
  EXPECT_FALSE(env->IsLink(t / "f"));
  EXPECT_FALSE(env->IsLink(t / "gone"));
}

TEST(EnvTest, ReadWriteAtLargeOffsetsAndShortReadAtEnd) {
  TempDir t;
  auto f = MustOpen(t / "big.dat", OpenMode::kCreateExclusive);
  const uint64_t off = (uint64_t{5} << 30) + 7;  // beyond 32 bits
  ASSERT_TRUE(f->WriteAt(off, "abc", 3).ok());
  uint64_t size = 0;
  ASSERT_TRUE(f->Size(&size).ok());
  EXPECT_EQ(size, off + 3);
  char buf[8] = {};
  size_t got = 0;
  ASSERT_TRUE(f->ReadAt(off - 1, buf, sizeof buf, &got).ok());
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(std::string(buf, 4), std::string("\0abc", 4));
  EXPECT_TRUE(f->Flush().ok());
  EXPECT_TRUE(f->Close().ok());
  EXPECT_FALSE(f->WriteAt(0, "x", 1).ok());
}

// The lock byte must conflict between two handles of one process and must
// survive the closing of an unrelated descriptor of the same file: both
// fail with classic POSIX record locks.
TEST(EnvTest, LockByteConflictsWithinProcessAndSurvivesOtherClose) {
  TempDir t;
  WriteText(t / "a.dat", std::string(2048, '\0'));
  auto a = MustOpen(t / "a.dat", OpenMode::kReadWriteShared);
  auto b = MustOpen(t / "a.dat", OpenMode::kReadWriteShared);
  ASSERT_TRUE(a->LockByte(1023).ok());
  {
    auto c = MustOpen(t / "a.dat", OpenMode::kReadOnlyShared);
    c->Close();
  }
  std::atomic<bool> granted{false};
  std::thread waiter([&] {
    EXPECT_TRUE(b->LockByte(1023).ok());
    granted = true;
    b->UnlockByte(1023);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(granted.load());
  ASSERT_TRUE(a->UnlockByte(1023).ok());
  waiter.join();
  EXPECT_TRUE(granted.load());
}

TEST(EnvTest, ExistingNamesAreFoundIgnoringCase) {
  TempDir t;
  Env* env = Env::Default();
  ASSERT_TRUE(env->CreateDirectories(t / "Oper_BU").ok());
  WriteText(t / "Oper_BU/OPISY.DAT", "upper");
  EXPECT_TRUE(env->FileExists(t / "oper_bu/opisy.dat"));
  EXPECT_TRUE(env->DirectoryExists(t / "OPER_bu"));
  EXPECT_FALSE(env->FileExists(t / "OPER_bu"));
  EXPECT_FALSE(env->FileExists(t / "oper_bu/missing.dat"));
  std::unique_ptr<File> f;
  ASSERT_TRUE(env->OpenFile(t / "oper_bu/opisy.dat", OpenMode::kReadOnlyShared, &f).ok());
  char buf[8] = {};
  size_t got = 0;
  ASSERT_TRUE(f->ReadAt(0, buf, sizeof buf, &got).ok());
  EXPECT_EQ(std::string(buf, got), "upper");
}

// A division holds the old files and moves them by name while it holds
// them; deleting a held file frees its name at once, as new files of that
// name come in next.
TEST(EnvTest, HolderMovesAndDeletesHeldFilesOthersStayOut) {
  TempDir t;
  Env* env = Env::Default();
  WriteText(t / "a.dat", "held");
  WriteText(t / "b.dat", "gone");
  ASSERT_TRUE(env->CreateDirectories(t / "old").ok());
  auto a = MustOpen(t / "a.dat", OpenMode::kReadOnlyExclusive);
  auto b = MustOpen(t / "b.dat", OpenMode::kReadWriteExclusive);
  ASSERT_TRUE(env->MoveFile(t / "a.dat", t / "old/a.dat").ok());
  std::unique_ptr<File> other;
  EXPECT_TRUE(env->OpenFile(t / "old/a.dat", OpenMode::kReadOnlyShared, &other).IsBusy());
  char buf[8] = {};
  size_t got = 0;
  ASSERT_TRUE(a->ReadAt(0, buf, sizeof buf, &got).ok());
  EXPECT_EQ(std::string(buf, got), "held");
  EXPECT_FALSE(env->FileExists(t / "a.dat"));

  ASSERT_TRUE(env->DeleteFile(t / "b.dat").ok());
  EXPECT_FALSE(env->FileExists(t / "b.dat"));
  WriteText(t / "new.dat", "new");
  EXPECT_TRUE(env->MoveFile(t / "new.dat", t / "b.dat").ok());
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(env->ListDirectory(t.dir(), "*", &entries).ok());
  std::set<std::string> names;
  for (auto& e : entries) names.insert(e.name);
  EXPECT_EQ(names, (std::set<std::string>{"b.dat", "old"}));
  EXPECT_TRUE(env->DeleteFile(t / "missing.dat").IsNotFound());
  a.reset();
  b.reset();
  // Nothing of the deleted file is left once its handle is closed.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.dir()), {}), 2);
}

// Names are UTF-8 in the program whatever the system spells them in.
TEST(EnvTest, PolishNamesAreCreatedListedAndMoved) {
  TempDir t;
  Env* env = Env::Default();
  const std::string dir = t / "zażółć";
  ASSERT_TRUE(env->CreateDirectories(dir + "/gęślą").ok());
  std::unique_ptr<File> f;
  ASSERT_TRUE(env->OpenFile(dir + "/opisy-ąę.dat", OpenMode::kCreateExclusive, &f).ok());
  ASSERT_TRUE(f->WriteAt(0, "x", 1).ok());
  ASSERT_TRUE(f->Close().ok());
  ASSERT_TRUE(env->MoveFile(dir + "/opisy-ąę.dat", dir + "/jaźń.dat").ok());
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(env->ListDirectory(dir, "*", &entries).ok());
  std::set<std::string> names;
  for (auto& e : entries) names.insert(e.name + (e.is_directory ? "/" : ""));
  EXPECT_EQ(names, (std::set<std::string>{"gęślą/", "jaźń.dat"}));
  EXPECT_TRUE(env->FileExists(dir + "/jaźń.dat"));
  EXPECT_FALSE(env->FileExists(dir + "/opisy-ąę.dat"));
  // The system sees the same letters (a u8 path is UTF-8 on every system).
  namespace fs = std::filesystem;
  EXPECT_TRUE(fs::exists(fs::path(t.dir()) / fs::path(u8"zażółć") / fs::path(u8"jaźń.dat")));
}

TEST(EnvTest, MoveNeverReplacesAnExistingTarget) {
  TempDir t;
  WriteText(t / "a", "new");
  WriteText(t / "b", "old");
  Env* env = Env::Default();
  EXPECT_TRUE(env->MoveFile(t / "a", t / "b").IsExists());
  std::ifstream in(t / "b");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "old");
  EXPECT_TRUE(env->MoveFile(t / "a", t / "c").ok());
  EXPECT_FALSE(env->FileExists(t / "a"));
}

// Shares refuse the no-replace flag (EINVAL), some refuse links too: the
// move falls back and still never replaces, and leaves one name only.
TEST(EnvTest, MoveFallsBackWhereFlagsOrLinksAreRefused) {
  for (auto [flags, links] : {std::pair{false, false}, {true, false}, {true, true}}) {
    SCOPED_TRACE(testing::Message() << "flags refused " << flags << ", links refused " << links);
    TempDir t;
    test_support::FaultEnv env;
    env.refuse_rename_flags = flags;
    env.refuse_links = links;
    WriteText(t / "a", "new");
    WriteText(t / "b", "old");
    EXPECT_TRUE(env.MoveFile(t / "a", t / "b").IsExists());
    std::ifstream in(t / "b");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "old");
    EXPECT_TRUE(env.MoveFile(t / "a", t / "c").ok());
    EXPECT_FALSE(env.FileExists(t / "a"));
    EXPECT_TRUE(env.FileExists(t / "c"));
    ASSERT_TRUE(env.CreateDirectories(t / "d1").ok());
    EXPECT_TRUE(env.MoveFile(t / "d1", t / "d2").ok());
    EXPECT_TRUE(env.DirectoryExists(t / "d2"));
  }
}

TEST(EnvTest, ReadOnlyHoldExcludesOthersPermissionsCopyAndTimedLock) {
  TempDir t;
  Env* env = Env::Default();
  WriteText(t / "a.dat", std::string(2048, 'x'));
  namespace fs = std::filesystem;
  // Windows keeps only "read-only": no write right for anybody.
  fs::permissions(t / "a.dat", fs::perms::owner_read | fs::perms::group_read);
  auto held = MustOpen(t / "a.dat", OpenMode::kReadOnlyExclusive);
  std::unique_ptr<File> other;
  EXPECT_TRUE(env->OpenFile(t / "a.dat", OpenMode::kReadOnlyShared, &other).IsBusy());
  ASSERT_TRUE(platform::CopyOpenFile(env, held.get(), t / "copy.dat").ok());
  EXPECT_TRUE(platform::CopyOpenFile(env, held.get(), t / "copy.dat").IsExists());
  EXPECT_NE(fs::status(t / "copy.dat").permissions() & fs::perms::owner_write, fs::perms::none);
  ASSERT_TRUE(env->CopyPermissions(t / "a.dat", t / "copy.dat").ok());
  EXPECT_EQ(fs::status(t / "copy.dat").permissions(), fs::status(t / "a.dat").permissions());
  EXPECT_EQ(fs::status(t / "copy.dat").permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(fs::file_size(t / "copy.dat"), 2048u);

  WriteText(t / "b.dat", std::string(2048, '\0'));
  auto a = MustOpen(t / "b.dat", OpenMode::kReadWriteShared);
  auto b = MustOpen(t / "b.dat", OpenMode::kReadWriteShared);
  ASSERT_TRUE(a->LockByteFor(1023, 0).ok());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(b->LockByteFor(1023, 150).IsBusy());
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  ASSERT_TRUE(a->UnlockByte(1023).ok());
  EXPECT_TRUE(b->LockByteFor(1023, 150).ok());
}

TEST(EnvTest, CopyReplacesAndListingSeesHiddenEntries) {
  TempDir t;
  Env* env = Env::Default();
  WriteText(t / "src", "payload");
  WriteText(t / "dst", "something much longer than payload");
  ASSERT_TRUE(env->CopyFile(t / "src", t / "dst").ok());
  std::ifstream in(t / "dst");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "payload");
  WriteText(t / ".hidden", "");
  ASSERT_TRUE(env->CreateDirectories(t / "sub/deeper").ok());
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(env->ListDirectory(t.dir(), "*.*", &entries).ok());
  std::set<std::string> names;
  for (auto& e : entries) names.insert(e.name + (e.is_directory ? "/" : ""));
  EXPECT_EQ(names, (std::set<std::string>{".hidden", "dst", "src", "sub/"}));
  EXPECT_TRUE(env->SameDirectory(t / "sub", t / "sub/deeper/.."));
  EXPECT_FALSE(env->SameDirectory(t / "sub", t / "sub/deeper"));
}

TEST(EnvTest, PatternsIgnoreCaseAndStemMatchesContinuations) {
  using platform::MatchPattern;
  EXPECT_TRUE(MatchPattern("opisy.*", "OPISY.001"));
  EXPECT_TRUE(MatchPattern("opisy.*", "opisy.dat"));
  EXPECT_TRUE(MatchPattern("opisy.*", "opisy"));
  EXPECT_FALSE(MatchPattern("opisy.*", "opisyv.dat"));
  EXPECT_TRUE(MatchPattern("*.*", "noext"));
  EXPECT_TRUE(MatchPattern("tmp*.tmp", "tmp123.TMP"));
  EXPECT_FALSE(MatchPattern("tmp*.tmp", "tmp123.tmpx"));
  EXPECT_TRUE(MatchPattern("a?c", "abc"));
}

// Names copied from Windows shares come in any case, Polish letters too;
// '?' stands for one letter however many bytes it takes.
TEST(EnvTest, PolishLettersFoldInNamesPatternsAndResolution) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"działki.dbf", "DZIAŁKI.DBF", true},
      {"ŻÓŁĆ.*", "żółć.001", true},
      {"ĄĆĘŁŃÓŚŹŻ", "ąćęłńóśźż", true},
      {"dzia?ki.dbf", "DZIAŁKI.DBF", true},
      {"dzia??ki.dbf", "DZIAŁKI.DBF", false},
      {"działki.dbf", "dzialki.dbf", false},
      {"zolc", "żółć", false},
      {"*.dbf",
       "\xff\xfe"
       "A.DBF",
       true},
      {"\xc5", "\xc5\x81", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::MatchPattern(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
  }
  EXPECT_TRUE(platform::SameNameIgnoringCase("Łódź", "ŁÓDŹ"));
  EXPECT_FALSE(platform::SameNameIgnoringCase("Łódź", "Lodz"));

#ifndef _WIN32
  // Windows folds names itself (wine only ASCII ones) and keeps the spelling
  // asked for.
  TempDir t;
  Env* env = Env::Default();
  ASSERT_TRUE(env->CreateDirectories(t / "Gmina Żółkiewka").ok());
  WriteText(t / "Gmina Żółkiewka/DZIAŁKI.DBF", "x");
  EXPECT_TRUE(env->FileExists(t / "gmina żółkiewka/działki.dbf"));
  EXPECT_EQ(env->ResolvePath(t / "GMINA ŻÓŁKIEWKA/Działki.dbf"), t / "Gmina Żółkiewka/DZIAŁKI.DBF");
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(env->ListDirectory(t / "gmina żółkiewka", "działki.*", &entries).ok());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "DZIAŁKI.DBF");
#endif
}

TEST(EnvTest, FreeSpaceAndWritableDirectories) {
  TempDir t;
  Env* env = Env::Default();
  uint64_t free_bytes = 0;
  ASSERT_TRUE(env->FreeSpace(t.dir(), &free_bytes).ok());
  EXPECT_GT(free_bytes, 0u);
  EXPECT_TRUE(env->FreeSpace(t / "missing", &free_bytes).IsNotFound());
  EXPECT_TRUE(env->CanCreateIn(t.dir()).ok());
#ifndef _WIN32
  // A directory's read-only attribute does not stop creating in it on
  // Windows; root may write anywhere.
  ASSERT_TRUE(env->CreateDirectories(t / "ro").ok());
  ::chmod((t / "ro").c_str(), 0555);
  if (::geteuid() != 0) {
    EXPECT_EQ(env->CanCreateIn(t / "ro").code(), platform::Status::Code::kInvalid);
  }
  ::chmod((t / "ro").c_str(), 0755);
#endif
}

struct CountingListener : platform::LockWaitListener {
  int waits = 0, ends = 0;
  void Waiting(const std::string&) override { ++waits; }
  void WaitEnded() override { ++ends; }
};

// A lock byte another File holds: granted when it is let go in time, given
// up with Busy once the limit has passed; the listener hears of a wait
// only after the notice time.
TEST(EnvTest, LockWaitGivesUpAfterItsLimitAndNoticesLongWaits) {
  TempDir t;
  WriteText(t / "a.dat", std::string(2048, 'x'));
  auto holder = MustOpen(t / "a.dat", OpenMode::kReadWriteShared);
  ASSERT_TRUE(holder->LockByte(1023).ok());

  CountingListener quiet;
  platform::LockWaitEnv short_wait(Env::Default(), 100, &quiet, 1000);
  auto f = std::unique_ptr<File>();
  ASSERT_TRUE(short_wait.OpenFile(t / "a.dat", OpenMode::kReadWriteShared, &f).ok());
  platform::Status s = f->LockByte(1023);
  EXPECT_TRUE(s.IsBusy());
  EXPECT_NE(s.message().find("zablokowany przez inny program"), std::string::npos);
  EXPECT_TRUE(short_wait.TimedOut());
  EXPECT_EQ(quiet.waits, 0);

  CountingListener told;
  platform::LockWaitEnv long_wait(Env::Default(), 5000, &told, 50);
  ASSERT_TRUE(long_wait.OpenFile(t / "a.dat", OpenMode::kReadWriteShared, &f).ok());
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    (void)holder->UnlockByte(1023);
  });
  s = f->LockByte(1023);
  release.join();
  EXPECT_TRUE(s.ok()) << s.ToString();
  EXPECT_FALSE(long_wait.TimedOut());
  EXPECT_EQ(told.waits, 1);
  EXPECT_EQ(told.ends, 1);
}

// Ctrl+C and a termination signal ask the division to stop instead of
// killing the process in the middle of a commit.
#ifndef _WIN32  // Ctrl+C reaches a console handler there, not a signal
TEST(EnvTest, InterruptSignalsBecomeARequest) {
  platform::InstallInterruptHandlers();
  for (int sig : {SIGINT, SIGTERM}) {
    platform::ClearInterrupt();
    ASSERT_EQ(raise(sig), 0);
    EXPECT_TRUE(platform::InterruptRequested()) << sig;
  }
  platform::ClearInterrupt();
  EXPECT_FALSE(platform::InterruptRequested());
}
#endif

}  // namespace
