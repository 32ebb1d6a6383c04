// The exchange's journal as the recovery reads it, and what the recovery
// does for each state an interrupted exchange can leave on disk.
#include "engine/Commit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "engine/EngineError.h"
#include "engine/Recovery.h"
#include "platform/EnvWrapper.h"
#include "platform/Path.h"
#include "tests/engine/Databases.h"
#include "tests/platform/TempDir.h"
#include "tests/support/FaultEnv.h"

namespace {

namespace fs = std::filesystem;
using engine::CommitPlan;
using engine::JournalRead;
using engine::RecoveryAction;
using engine::TableAt;
using testing_util::TempDir;
using namespace engine_test;

std::string Native(const std::string& s) {
  return platform::NativeSeparators(s);
}

TEST(JournalTest, ReadsWhatEachVersionWroteAndRefusesPlacesOutsideTheDatabase) {
  const std::string work = Native("/a/baza/tmp1.tmp/");
  const std::string body =
      "created\t1\ntable\topisy.dbf\nold\topisy.dbf\nold\topisy.dat\n"
      "new\t10\topisy.dat\nnew\t20\topisy.dbf\nkoniec\n";
  const struct {
    const char* name;
    std::string text;
    JournalRead result;
    std::string aside, from;  // expected, when read
  } cases[] = {
      {"a backup beside the table", "podzial-dziennik 2\nfrom\t\naside\told12/\n" + body,
       JournalRead::kRead, "/a/baza/old12/", "/a/baza/tmp1.tmp/"},
      {"the private directory", "podzial-dziennik 2\nfrom\t\naside\t\n" + body, JournalRead::kRead,
       "/a/baza/tmp1.tmp/stare/", "/a/baza/tmp1.tmp/"},
      {"a restore from a preset's backup root",
       "podzial-dziennik 2\nfrom\t../old7/baza/\naside\tnew7/\n" + body, JournalRead::kRead,
       "/a/baza/new7/", "/a/old7/baza/"},
      {"the other system's separators",
       "podzial-dziennik 2\nfrom\t..\\old7\\baza\\\naside\tnew7\\\n" + body, JournalRead::kRead,
       "/a/baza/new7/", "/a/old7/baza/"},
      {"the first version's full path inside the database",
       "podzial-dziennik 1\naside\t" + Native("/a/baza/old12/") +
           "\ncreated\t0\nold\topisy.dbf\nnew\t20\topisy.dbf\nkoniec\n",
       JournalRead::kRead, "/a/baza/old12/", "/a/baza/tmp1.tmp/"},
      {"the first version's full path of a database moved since",
       "podzial-dziennik 1\naside\t" + Native("/stara/baza/old12/") +
           "\ncreated\t0\nold\topisy.dbf\nnew\t20\topisy.dbf\nkoniec\n",
       JournalRead::kUnreadable, "", ""},
      {"an absolute backup", "podzial-dziennik 2\nfrom\t\naside\t/etc/\n" + body,
       JournalRead::kUnreadable, "", ""},
      {"two levels up", "podzial-dziennik 2\nfrom\t\naside\t../../x/\n" + body,
       JournalRead::kUnreadable, "", ""},
      {"up in the middle", "podzial-dziennik 2\nfrom\told1/../../x/\naside\t\n" + body,
       JournalRead::kUnreadable, "", ""},
      {"a drive", "podzial-dziennik 2\nfrom\t\naside\tC:\\x\\\n" + body, JournalRead::kUnreadable,
       "", ""},
      {"a path as a file name",
       "podzial-dziennik 2\nfrom\t\naside\t\ncreated\t1\ntable\topisy.dbf\nold\t../opisy.dbf\n"
       "new\t20\topisy.dbf\nkoniec\n",
       JournalRead::kUnreadable, "", ""},
      {"no table", "podzial-dziennik 2\nfrom\t\naside\t\ncreated\t1\nold\tx\nnew\t1\tx\nkoniec\n",
       JournalRead::kUnreadable, "", ""},
      {"a table before the description set comes in",
       "podzial-dziennik 2\nfrom\t\naside\t\ncreated\t1\ntable\topisy.dbf\nold\topisy.dbf\n"
       "new\t20\topisy.dbf\nnew\t10\topisy.dat\nkoniec\n",
       JournalRead::kUnreadable, "", ""},
      {"a table going aside after the set",
       "podzial-dziennik 2\nfrom\t\naside\t\ncreated\t1\ntable\topisy.dbf\nold\topisy.dat\n"
       "old\topisy.dbf\nnew\t20\topisy.dbf\nkoniec\n",
       JournalRead::kUnreadable, "", ""},
      {"cut short", "podzial-dziennik 2\nfrom\t\naside\t\ncreated\t1\ntable\topis",
       JournalRead::kCutShort, "", ""},
      {"its end never on the disk", "podzial-dziennik 2\nfrom\t\naside\t\n" + std::string(40, '\0'),
       JournalRead::kCutShort, "", ""},
      {"beside the table, but no backup root",
       "podzial-dziennik 2\nfrom\t../inne/baza/\naside\tnew7/\n" + body, JournalRead::kUnreadable,
       "", ""},
      {"a backup root's directory of another table",
       "podzial-dziennik 2\nfrom\t../old7/inna/\naside\tnew7/\n" + body, JournalRead::kUnreadable,
       "", ""},
      {"a division that puts nothing aside",
       "podzial-dziennik 2\nfrom\t\naside\t\ncreated\t1\ntable\topisy.dbf\n"
       "new\t20\topisy.dbf\nkoniec\n",
       JournalRead::kUnreadable, "", ""},
      {"a restore into a directory without any of the backup's names",
       "podzial-dziennik 2\nfrom\told7/\naside\tnew7/\ncreated\t1\ntable\topisy.dbf\n"
       "new\t10\topisy.dat\nnew\t20\topisy.dbf\nkoniec\n",
       JournalRead::kRead, "/a/baza/new7/", "/a/baza/old7/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CommitPlan plan;
    std::string why;
    const JournalRead r = engine::ParseJournal(c.text, work, &plan, &why);
    EXPECT_EQ(r, c.result) << why;
    if (r == JournalRead::kUnreadable) {
      EXPECT_FALSE(why.empty());
    }
    if (r != JournalRead::kRead || c.result != JournalRead::kRead) continue;
    EXPECT_EQ(plan.aside_dir, Native(c.aside));
    EXPECT_EQ(plan.from_dir, Native(c.from));
    EXPECT_EQ(plan.table_dir, Native("/a/baza/"));
    EXPECT_EQ(plan.tables, std::vector<std::string>{"opisy.dbf"});
  }
  // A table directory named relative to the current one, as a user may
  // type it: the preset's backup root is found beside it all the same.
  const std::string kadmor = "podzial-dziennik 2\nfrom\t\naside\t../old7/kerg/\n" + body;
  for (const char* relative_work : {"kerg/tmp1.tmp/", "./kerg/tmp1.tmp/", "kerg/./tmp1.tmp/"}) {
    SCOPED_TRACE(relative_work);
    CommitPlan plan;
    std::string why;
    ASSERT_EQ(engine::ParseJournal(kadmor, Native(relative_work), &plan, &why), JournalRead::kRead)
        << why;
    EXPECT_EQ(plan.aside_dir, Native("./old7/kerg/"));
  }
  // A share's root has no parent inside the share.
  CommitPlan plan;
  std::string why;
  EXPECT_EQ(engine::ParseJournal("podzial-dziennik 2\nfrom\t\naside\t../old7/udzial/\n" + body,
                                 Native("//serwer/udzial/tmp1.tmp/"), &plan, &why),
            JournalRead::kUnreadable);
}

// What is written is read back as it was; a backup outside the database
// is never written.
TEST(JournalTest, WrittenRelativeAndReadBack) {
  TempDir t;
  platform::Env* env = platform::Env::Default();
  CommitPlan plan;
  plan.table_dir = t / "baza/";
  plan.work_dir = t / "baza/tmp5.tmp/";
  plan.from_dir = t / "old5/baza/";
  plan.aside_dir = t / "baza/new5/";
  plan.created_aside = true;
  plan.tables = {"a.dbf", "b.dbf"};
  plan.old_files = {"a.dbf", "b.dbf", "a.dat"};
  plan.new_files = {{"a.dat", 3}, {"b.dbf", 2}, {"a.dbf", 1}};
  fs::create_directories(plan.work_dir);
  engine::WriteJournal(env, plan);
  const std::string text = ReadBytes(plan.work_dir + engine::kJournalName);
  EXPECT_NE(text.find("from\t../old5/baza/\n"), std::string::npos) << text;
  EXPECT_EQ(text.find(t.dir()), std::string::npos) << "a full path in the journal";
  CommitPlan read;
  std::string why;
  ASSERT_EQ(engine::ReadJournal(env, plan.work_dir, &read, &why), JournalRead::kRead) << why;
  EXPECT_EQ(read.from_dir, plan.from_dir);
  EXPECT_EQ(read.aside_dir, plan.aside_dir);
  EXPECT_EQ(read.tables, plan.tables);
  EXPECT_EQ(read.old_files, plan.old_files);
  ASSERT_EQ(read.new_files.size(), 3u);
  EXPECT_EQ(read.new_files[1].name, "b.dbf");
  EXPECT_EQ(read.new_files[1].size, 2u);

  fs::remove(plan.work_dir + engine::kJournalName);
  TempDir other;
  for (const std::string& outside : {other / "kopia/", t / "kopia/"}) {
    plan.aside_dir = outside;
    EXPECT_THROW(engine::WriteJournal(env, plan), engine::EngineError) << outside;
    EXPECT_FALSE(fs::exists(plan.work_dir + engine::kJournalName));
  }
#ifndef _WIN32
  // A directory of the journal that is a link leads elsewhere: refused.
  plan.aside_dir = t / "baza/new5/";
  engine::WriteJournal(env, plan);
  fs::create_directories(t / "elsewhere");
  fs::create_directory_symlink(t / "elsewhere", t / "baza/new5");
  EXPECT_EQ(engine::ReadJournal(env, plan.work_dir, &read, &why), JournalRead::kUnreadable);
  EXPECT_NE(why.find("dowiązaniem"), std::string::npos) << why;
#endif
}

TEST(RecoveryDecisionTest, TheTablesDecide) {
  using T = TableAt;
  using A = RecoveryAction;
  const struct {
    std::vector<T> tables;
    A action;
  } cases[] = {
      {{T::kOldInPlace}, A::kDropNew},
      {{T::kNewInPlace}, A::kFinishInPlace},
      {{T::kNone}, A::kComplete},
      {{T::kUnknown}, A::kLeave},
      {{T::kOldInPlace, T::kOldInPlace}, A::kDropNew},
      {{T::kNone, T::kOldInPlace}, A::kUndo},
      {{T::kNewInPlace, T::kNone}, A::kFinish},
      {{T::kNone, T::kNone}, A::kComplete},
      {{T::kOldInPlace, T::kNewInPlace}, A::kLeave},
      {{T::kNewInPlace, T::kUnknown}, A::kLeave},
      {{}, A::kLeave},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.tables.size()) + " tables, first " +
                 (c.tables.empty() ? "-" : std::to_string(static_cast<int>(c.tables[0]))));
    EXPECT_EQ(engine::Decide(c.tables), c.action);
  }
}

// One exchange left at each point on disk (two tables, as a restore has
// them), then recovered: old set in place, or new set in place with the
// old one aside; a state that fits no point is left as it is.
TEST(RecoveryDecisionTest, EachStateOnDisk) {
  enum Where { kOld, kNew, kBoth };
  const struct {
    const char* name;
    int moves;        // moves made of the 6 (3 aside, 3 in)
    bool foreign;     // then a file no move made at the first table's name
    bool short_file;  // a new file shorter than the journal says
    Where result;
    bool put_back = false;  // then the old a.dbf moved back over the new one
  } cases[] = {
      {"nothing moved", 0, false, false, kOld},
      {"one table aside, the other in place", 1, false, false, kOld},
      {"both tables aside", 2, false, false, kNew},
      {"both tables aside, a new file cut short", 2, false, true, kOld},
      {"the old set aside", 3, false, false, kNew},
      {"one new table in", 5, false, false, kNew},
      {"every move made", 6, false, false, kNew},
      {"a foreign file where a table went aside", 1, true, false, kBoth},
      {"every move made, then an old table put back by hand", 6, false, false, kBoth, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir t;
    platform::Env* env = platform::Env::Default();
    CommitPlan plan;
    plan.table_dir = t.dir();
    plan.work_dir = t / "tmp9.tmp/";
    plan.from_dir = plan.work_dir;
    plan.aside_dir = t / "old9/";
    plan.created_aside = true;
    plan.tables = {"a.dbf", "b.dbf"};
    plan.old_files = {"a.dbf", "b.dbf", "x.dat"};
    plan.new_files = {{"x.dat", 5}, {"b.dbf", 5}, {"a.dbf", 5}};
    fs::create_directories(plan.work_dir);
    fs::create_directories(plan.aside_dir);
    std::ofstream(plan.work_dir + engine::kWorkLockName) << engine::kLockMark;
    for (const auto& n : plan.old_files) std::ofstream(t / n) << "old " << n;
    for (const auto& f : plan.new_files) std::ofstream(plan.work_dir + f.name) << "new.5";
    engine::WriteJournal(env, plan);
    std::vector<std::pair<std::string, std::string>> moves;
    for (const auto& n : plan.old_files) moves.push_back({t / n, plan.aside_dir + n});
    for (const auto& f : plan.new_files) moves.push_back({plan.work_dir + f.name, t / f.name});
    for (int i = 0; i < c.moves; ++i) fs::rename(moves[i].first, moves[i].second);
    if (c.foreign) std::ofstream(t / "a.dbf") << "someone's";
    if (c.short_file) std::ofstream(plan.work_dir + "x.dat") << "new";
    if (c.put_back) {
      fs::remove(t / "a.dbf");
      fs::rename(plan.aside_dir + "a.dbf", t / "a.dbf");
    }
    const auto before = Snap(t.dir());
    const auto work_before = Snap(plan.work_dir), aside_before = Snap(plan.aside_dir);

    // A dry run decides the same, names the moves left to make (or to
    // undo) and touches nothing.
    const engine::RecoveryReport dry = engine::RecoverDirectory(env, t.dir(), true);
    EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
    EXPECT_TRUE(SameFiles(Snap(plan.work_dir), work_before));
    EXPECT_TRUE(SameFiles(Snap(plan.aside_dir), aside_before));
    ASSERT_EQ(dry.dirs.size(), 1u);
    const engine::WorkDirAction want[] = {engine::WorkDirAction::kUndo,
                                          engine::WorkDirAction::kFinish,
                                          engine::WorkDirAction::kLeave};
    EXPECT_EQ(dry.dirs[0].action, want[c.result]);
    EXPECT_EQ(dry.dirs[0].moves.size(), static_cast<size_t>(c.result == kBoth  ? 0
                                                            : c.result == kOld ? c.moves
                                                                               : 6 - c.moves));
    EXPECT_EQ(dry.failed.size(), c.result == kBoth ? 1u : 0u);

    const engine::RecoveryReport r = engine::RecoverDirectory(env, t.dir());
    ASSERT_EQ(r.dirs.size(), 1u);
    EXPECT_EQ(r.dirs[0].action, dry.dirs[0].action);
    const Snapshot now = Snap(t.dir());
    if (c.result == kBoth) {
      EXPECT_EQ(r.failed.size(), 1u);
      EXPECT_TRUE(SameFiles(now, before));
      EXPECT_TRUE(fs::exists(plan.work_dir + engine::kJournalName));
      continue;
    }
    EXPECT_TRUE(r.failed.empty()) << r.failed[0];
    EXPECT_FALSE(fs::exists(plan.work_dir));
    for (const auto& n : plan.old_files) {
      const std::string want = "old " + n;
      if (c.result == kOld) {
        EXPECT_EQ(ReadBytes(t / n), want) << n;
      } else {
        EXPECT_EQ(ReadBytes(plan.aside_dir + n), want) << n;
        EXPECT_EQ(ReadBytes(t / n), "new.5") << n;
      }
    }
  }
}

// The old files of the private directory go only once the table
// directory's entries are on the disk: when that flush fails, in the
// division's last step or in the recovery's, they are kept in a backup
// directory and the failure says where.
TEST(RecoveryDecisionTest, AFailedFlushKeepsThePrivateOldFiles) {
  TempDir t;
  test_support::FaultEnv env;
  CommitPlan plan;
  plan.table_dir = t.dir();
  plan.work_dir = t / "tmp9.tmp/";
  plan.from_dir = plan.work_dir;
  plan.aside_dir = engine::PrivateAsideDir(plan.work_dir);
  plan.private_aside = plan.created_aside = true;
  plan.tables = {"a.dbf"};
  plan.old_files = {"a.dbf"};
  plan.new_files = {{"a.dbf", 5}};
  fs::create_directories(plan.aside_dir);
  std::ofstream(plan.work_dir + engine::kWorkLockName) << engine::kLockMark;
  std::ofstream(plan.aside_dir + "a.dbf") << "old";
  std::ofstream(t / "a.dbf") << "new.5";
  engine::WriteJournal(platform::Env::Default(), plan);
  env.Fail(test_support::FaultEnv::kSync, 1, false, t.dir());
  const engine::RecoveryReport r = engine::RecoverDirectory(&env, t.dir());
  ASSERT_EQ(r.failed.size(), 1u);
  EXPECT_NE(r.failed[0].find("Nowe pliki są na miejscu"), std::string::npos) << r.failed[0];
  const auto olds = Subdirs(t.dir(), "old");
  ASSERT_EQ(olds.size(), 1u);
  EXPECT_EQ(ReadBytes(t / (olds[0] + "/a.dbf")), "old");
  EXPECT_NE(r.failed[0].find(t / olds[0]), std::string::npos) << r.failed[0];
  EXPECT_EQ(ReadBytes(t / "a.dbf"), "new.5");
}

}  // namespace

namespace {

// A recovery removes an abandoned lock file while it still holds it: a run
// that made a file of that name and waits for its lock then finds it gone
// from its path, instead of working in a directory whose lock file is no
// more.
TEST(RecoveryDecisionTest, ALockFileGoesWhileItIsHeld) {
  struct Probe : platform::EnvWrapper {
    Probe() : EnvWrapper(platform::Env::Default()) {}
    int deleted = 0, held = 0;
    platform::Status DeleteFile(const std::string& path) override {
      if (platform::ExtractFileName(path) == engine::kWorkLockName) {
        ++deleted;
        std::unique_ptr<platform::File> other;
        held += target()->OpenFile(path, platform::OpenMode::kReadWriteExclusive, &other).IsBusy();
      }
      return EnvWrapper::DeleteFile(path);
    }
  };
  TempDir t;
  fs::create_directories(t / "tmp3.tmp");
  std::ofstream(t / "tmp3.tmp/kopia.dbf") << "copy";
  std::ofstream(t / ("tmp3.tmp/" + std::string(engine::kWorkLockName))) << engine::kLockMark;
  Probe env;
  const engine::RecoveryReport r = engine::RecoverDirectory(&env, t.dir());
  EXPECT_EQ(r.done.size(), 1u);
  EXPECT_FALSE(fs::exists(t / "tmp3.tmp"));
  EXPECT_EQ(env.deleted, 1);
  EXPECT_EQ(env.held, 1);
}

}  // namespace
