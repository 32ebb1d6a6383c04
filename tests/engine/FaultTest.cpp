// Every operation of a division on the file system fails in turn (opens,
// copies, renames, links, deletes, listings, rights, reads, writes,
// flushes, the journal's own writes), on a local disk and on a share that
// refuses the rename flag or links. After each failure, and after the
// recovery the next run makes, the user's data is complete: the old files
// in place, or the new files in place with the old ones kept as asked.
// A kill at every step of the commit, followed by the recovery, gives the
// same.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <random>

#include "engine/EngineError.h"
#include "engine/Recovery.h"
#include "tests/engine/Databases.h"
#include "tests/support/FaultEnv.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

void CopyFiles(const Snapshot& files, const std::string& dir) {
  for (const auto& [name, bytes] : files) std::ofstream(dir + name, std::ios::binary) << bytes;
}

struct Mode {
  const char* name;
  bool keep;          // the user keeps the old files
  double dangling;    // share of rows whose reference cannot be copied
  bool refuse_flags;  // a share without the no-replace rename flag
  bool refuse_links;  // ... and without hard links
};

const Mode kModes[] = {
    {"keep", true, 0.06, false, false},
    {"delete", false, 0, false, false},
    {"delete, references not copied", false, 0.06, false, false},
    {"share, keep", true, 0, true, false},
    {"share without links, delete", false, 0, true, true},
};

// A table with a memo file whose description file needs two files of 1 MB.
Snapshot MakeModel(const std::string& dir, const Mode& m, double compressed) {
  auto o = SmallTable(dir, 40);
  o.with_dbt = true;
  o.mean_record = 30000;
  o.raster = 1.0;
  o.compressed = compressed;
  o.dangling = m.dangling;
  Make(o);
  return Snap(dir);
}

void AsShare(CountingEnv& env, const Mode& m) {
  env.refuse_rename_flags = m.refuse_flags;
  env.refuse_links = m.refuse_links;
}

// The state a run (and the recovery after it) may leave: the table's
// directory holds exactly the old files or exactly the new ones; with the
// new ones, the old files are in the one backup directory when they had to
// be kept; no working directory is left.
void ExpectComplete(const std::string& dir, const Snapshot& old_files, const Snapshot& new_files,
                    bool kept) {
  const Snapshot now = Snap(dir);
  EXPECT_TRUE(Subdirs(dir, "tmp").empty()) << "working directory left";
  EXPECT_TRUE(Subdirs(dir, "new").empty());
  const auto olds = Subdirs(dir, "old");
  if (SameFiles(now, old_files)) {
    for (const auto& o : olds) EXPECT_TRUE(OldFilesIn(dir + o + "/").empty()) << o;
    return;
  }
  EXPECT_TRUE(SameFiles(now, new_files)) << "neither the old nor the new files in place";
  if (kept) {
    ASSERT_EQ(olds.size(), 1u);
    EXPECT_TRUE(SameFiles(OldFilesIn(dir + olds[0] + "/"), old_files));
  } else {
    EXPECT_TRUE(olds.empty());
  }
}

void RunAllFaults(const Mode& m) {
  SCOPED_TRACE(m.name);
  TempDir model;
  const Snapshot old_files = MakeModel(model.dir(), m, 0.2);

  // The undisturbed run: how many operations, and the new files.
  Snapshot new_files;
  int64_t total = 0;
  bool kept = m.keep;
  {
    TempDir t;
    CopyFiles(old_files, t.dir());
    CountingEnv env;
    AsShare(env, m);
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used;
    d.Divide("", used);
    total = env.count();
    kept = m.keep || d.Counts().dropped > 0;
    EXPECT_EQ(d.Counts().dropped > 0, m.dangling > 0);
    EXPECT_TRUE(d.Notes().empty());
    // No flush per record: each new file once, then the directories.
    std::set<std::string> flushed;
    int flushes = 0;
    for (int64_t n = 1; n <= total; ++n) {
      const std::string& w = env.what(n);
      if (w.rfind("flush ", 0) == 0) {
        ++flushes;
        flushed.insert(fs::path(w.substr(6)).filename().string());
      } else if (w.rfind("sync ", 0) == 0) {
        ++flushes;
      }
    }
    for (const auto& e : fs::directory_iterator(t.dir())) {
      if (e.is_regular_file()) {
        EXPECT_TRUE(flushed.count(e.path().filename().string()));
      }
    }
    EXPECT_LE(flushes, 2 * static_cast<int>(Snap(t.dir()).size()) + 8);
    new_files = Snap(t.dir());
    ASSERT_GE(new_files.count("opisy.001"), 1u);
    ExpectComplete(t.dir(), old_files, new_files, kept);
  }
  ASSERT_GT(total, 50);

  std::map<std::string, int> messages;
  const char* only = std::getenv("FAULT_ONLY");
  for (int64_t k = only ? std::atoll(only) : 1; k <= (only ? std::atoll(only) : total); ++k) {
    TempDir t;
    CopyFiles(old_files, t.dir());
    CountingEnv env(k);
    AsShare(env, m);
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used;
    std::string error;
    try {
      d.Divide("", used);
    } catch (const engine::EngineError& e) {
      error = e.what();
    }
    const std::string what = env.what(k);
    SCOPED_TRACE("operation " + std::to_string(k) + " of " + std::to_string(total) + ": " + what +
                 " -> " + (error.empty() ? "(no error)" : error));
    if (error.empty()) {
      // A run that ends well did so in full; what it could not tidy up it
      // names.
      EXPECT_TRUE(SameFiles(Snap(t.dir()), new_files));
      if (!Subdirs(t.dir(), "tmp").empty()) {
        EXPECT_FALSE(d.Notes().empty());
      }
    } else {
      ++messages[error.substr(0, error.find_first_of(":\n"))];
      // Every message is a Polish sentence, also when the system's reason
      // follows it.
      EXPECT_NE(error.rfind("injected", 0), 0u) << "a bare reason reached the user";
      const bool unchanged = SameFiles(Snap(t.dir()), old_files);
      // Either nothing changed, or the message says where everything is
      // and how to finish.
      if (!unchanged) {
        EXPECT_NE(error.find("podzial-cli recover"), std::string::npos);
        EXPECT_NE(error.find("Stare pliki: "), std::string::npos);
      }
    }
    // The next run's recovery leaves the old or the new files, complete.
    const engine::RecoveryReport r = engine::RecoverDirectory(platform::Env::Default(), t.dir());
    EXPECT_TRUE(r.failed.empty()) << r.failed[0];
    ExpectComplete(t.dir(), old_files, new_files, kept);
  }
  for (const auto& [msg, n] : messages) std::printf("%5d x %s\n", n, msg.c_str());
}

TEST(FaultTest, EveryOperationFailingInTurn) {
  for (const Mode& m : kModes) RunAllFaults(m);
}

// fork() and SIGKILL: Linux only.
#ifndef _WIN32
// Kills the division at operation k with SIGKILL, then recovers as the
// next run would and checks that the old or the new files are complete.
void KillAt(const Mode& m, const Snapshot& old_files, const Snapshot& new_files, bool kept,
            int64_t k) {
  TempDir t;
  CopyFiles(old_files, t.dir());
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    CountingEnv env(k);
    AsShare(env, m);
    env.at_fail = [] { raise(SIGKILL); };
    try {
      engine::TDivider d(Job(t.dir(), m.keep), &env);
      std::string used;
      d.Divide("", used);
    } catch (...) {
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  const engine::RecoveryReport r = engine::RecoverDirectory(platform::Env::Default(), t.dir());
  EXPECT_TRUE(r.failed.empty()) << r.failed[0];
  ExpectComplete(t.dir(), old_files, new_files, kept);
}

// Every operation from the journal on, and 10 random ones before it.
void CrashEverywhereInTheCommit(const Mode& m) {
  SCOPED_TRACE(m.name);
  TempDir model;
  const Snapshot old_files = MakeModel(model.dir(), m, 0.5);
  int64_t total = 0, journal = 0;
  Snapshot new_files;
  bool kept = m.keep;
  {
    TempDir t;
    CopyFiles(old_files, t.dir());
    CountingEnv env;
    AsShare(env, m);
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used;
    d.Divide("", used);
    total = env.count();
    kept = m.keep || d.Counts().dropped > 0;
    new_files = Snap(t.dir());
    for (int64_t n = 1; n <= total && !journal; ++n) {
      if (env.what(n).find("podzial.dziennik") != std::string::npos) journal = n;
    }
  }
  ASSERT_GT(journal, 0);
  std::vector<int64_t> steps;
  for (int64_t k = journal; k <= total; ++k) steps.push_back(k);
  std::mt19937 rng(20261207u);
  for (int i = 0; i < 10; ++i) {
    steps.push_back(std::uniform_int_distribution<int64_t>(1, journal - 1)(rng));
  }
  for (int64_t k : steps) {
    SCOPED_TRACE("killed at operation " + std::to_string(k) + " of " + std::to_string(total));
    KillAt(m, old_files, new_files, kept, k);
  }
}

TEST(CrashTest, KilledAtEveryStepOfTheCommitThenRecovered) {
  for (const Mode& m : kModes) CrashEverywhereInTheCommit(m);
}

// The next division in the directory repairs a run killed in its commit
// before it starts, and says so with its own result.
TEST(CrashTest, TheNextDivisionRepairsAndSaysSo) {
  const Mode& m = kModes[1];
  TempDir t;
  MakeModel(t.dir(), m, 0.5);
  int64_t first_move = 0;
  {
    TempDir probe;
    CopyFiles(Snap(t.dir()), probe.dir());
    CountingEnv env;
    engine::TDivider d(Job(probe.dir(), m.keep), &env);
    std::string used;
    d.Divide("", used);
    for (int64_t n = 1; n <= env.count() && !first_move; ++n) {
      if (env.what(n).rfind("move " + probe.dir() + "opisy.dbf", 0) == 0) first_move = n;
    }
  }
  ASSERT_GT(first_move, 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    CountingEnv env(first_move + 1);  // the table's .dbf is aside already
    env.at_fail = [] { raise(SIGKILL); };
    engine::TDivider d(Job(t.dir(), m.keep), &env);
    std::string used;
    d.Divide("", used);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_FALSE(fs::exists(t / "opisy.dbf"));  // cut short mid-commit
  engine::TDivider d(Job(t.dir(), m.keep));
  std::string used;
  d.Divide("", used);
  ASSERT_FALSE(d.Notes().empty());
  EXPECT_EQ(d.Notes()[0].rfind("Dokończono przerwany podział w " + t.dir(), 0), 0u) << d.Notes()[0];
  EXPECT_TRUE(Subdirs(t.dir(), "tmp").empty());
  EXPECT_TRUE(fs::exists(t / "opisy.dbf"));
}
#endif  // _WIN32

}  // namespace
