// Every copy, move, directory creation, open, read, write and flush of a
// division fails in turn: the message is the one for that step, and the
// user's data stays complete in the table's directory, the backup directory
// or the working directory.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <random>

#include "engine/EngineError.h"
#include "tests/engine/CountingEnv.h"
#include "tests/engine/DbFixture.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

const std::set<std::string> kEngineMessages = {
    "Błąd podczas tworzenia katalogu tymczasowego",
    "Błąd podczas kopiowania plików do katalogu tymczasowego",
    "Błąd podczas kopiowania plików z katalogu tymczasowego",
    "Błąd podczas zapisu danych",
};

void CopyFiles(const Snapshot& files, const std::string& dir) {
  for (const auto& [name, bytes] : files) std::ofstream(dir + name, std::ios::binary) << bytes;
}

// Each file of `want` byte-identical in one of the directories.
testing::AssertionResult EachSomewhere(const Snapshot& want, const std::vector<std::string>& dirs) {
  std::vector<Snapshot> snaps;
  for (const auto& d : dirs) snaps.push_back(Snap(d));
  for (const auto& [name, bytes] : want) {
    bool found = false;
    for (const auto& s : snaps) {
      auto it = s.find(name);
      if (it != s.end() && it->second == bytes) found = true;
    }
    if (!found) return testing::AssertionFailure() << name << " is nowhere complete";
  }
  return testing::AssertionSuccess();
}

// A table with a memo file whose description file needs two files of 1 MB;
// `compressed` is the share of records stored compressed.
void MakeTwoFileTable(const std::string& dir, double compressed) {
  auto o = SmallTable(dir, 40);
  o.with_dbt = true;
  o.mean_record = 30000;
  o.raster = 1.0;
  o.compressed = compressed;
  Make(o);
}

void RunAllFaults(bool keep) {
  // A table whose description file needs two files of 1 MB.
  TempDir model;
  MakeTwoFileTable(model.dir(), 0.2);
  const Snapshot old_files = Snap(model.dir());

  // The undisturbed run: how many operations, and the new files.
  Snapshot new_files;
  int64_t total = 0;
  uint64_t dropped = 0;  // dangling addresses of the generated table
  {
    TempDir t;
    CopyFiles(old_files, t.dir());
    CountingEnv env;
    engine::TDivider d(Job(t.dir(), keep), &env);
    std::string used;
    d.Divide("", used);
    total = env.count();
    dropped = d.Counts().dropped;
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
    EXPECT_LE(flushes, 2 * static_cast<int>(Snap(t.dir()).size()) + 4);
    EXPECT_EQ(env.what(total).rfind("sync " + t.dir(), 0), 0u) << "table directory last";
    new_files = Snap(t.dir());
    ASSERT_GE(new_files.count("opisy.001"), 1u);
  }
  ASSERT_GT(total, 50);

  std::map<std::string, int> messages;
  int row_loop_reads = 0;  // failed reads of the old records seen
  const char* only = std::getenv("FAULT_ONLY");
  for (int64_t k = only ? std::atoll(only) : 1; k <= (only ? std::atoll(only) : total); ++k) {
    TempDir t;
    CopyFiles(old_files, t.dir());
    CountingEnv env(k);
    engine::TDivider d(Job(t.dir(), keep), &env);
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
    std::vector<std::string> olds = Subdirs(t.dir(), "old");
    std::vector<std::string> works = Subdirs(t.dir(), "tmp");
    ASSERT_LE(olds.size(), 1u);
    ASSERT_LE(works.size(), 1u);
    const std::string old_dir = olds.empty() ? "" : t / (olds[0] + "/");
    const std::string work_dir = works.empty() ? "" : t / (works[0] + "/");
    if (error.empty()) {
      // A run that ends well did so in full: no row lost its reference to
      // a record the system failed to read.
      EXPECT_TRUE(works.empty());
      if (keep) {
        ASSERT_FALSE(old_dir.empty());
        EXPECT_TRUE(SameFiles(Snap(old_dir), old_files));
      }
      EXPECT_EQ(d.Counts().dropped, dropped);
      EXPECT_TRUE(SameFiles(Snap(t.dir()), new_files));
      continue;
    }
    ++messages[error];
    // A failed read of the old description file after it opened fails the
    // run in the row loop, before anything in the table's directory moved.
    if (what == "read " + t.dir() + "opisy.dat" &&
        error.rfind("Nie udało się otworzyć pliku: ", 0) != 0) {
      ++row_loop_reads;
      EXPECT_EQ(error.rfind("Błąd podczas odczytu danych: wiersz ", 0), 0u);
      EXPECT_TRUE(SameFiles(Snap(t.dir()), old_files));
      EXPECT_TRUE(works.empty() && olds.empty());
    }
    // Every message is a Polish sentence, also when the system's reason
    // follows it.
    EXPECT_NE(error.rfind("injected", 0), 0u) << "a bare reason reached the user";
    std::vector<std::string> dirs = {t.dir()};
    if (!old_dir.empty()) dirs.push_back(old_dir);
    if (!work_dir.empty()) dirs.push_back(work_dir);
    if (SameFiles(Snap(t.dir()), old_files)) {
      // Nothing in the table's directory changed.
      continue;
    }
    // The commit had begun: the old files complete in the backup directory
    // or still in place, the new ones in place or in the working directory.
    EXPECT_TRUE(kEngineMessages.count(error));
    if (keep) {
      EXPECT_TRUE(EachSomewhere(old_files, dirs)) << "old files";
    }
    EXPECT_FALSE(work_dir.empty() && !SameFiles(Snap(t.dir()), new_files))
        << "new files neither in place nor waiting";
    EXPECT_TRUE(EachSomewhere(new_files, dirs)) << "new files";
  }
  for (const auto& [m, n] : messages) std::printf("%5d x %s\n", n, m.c_str());
  if (!only) {
    EXPECT_GT(row_loop_reads, 0);
  }
}

TEST(FaultTest, EveryOperationFailingInTurnKeepingOldFiles) {
  RunAllFaults(true);
}
TEST(FaultTest, EveryOperationFailingInTurnDeletingOldFiles) {
  RunAllFaults(false);
}

// fork() and SIGKILL: Linux only.
#ifndef _WIN32
// A division killed with SIGKILL at 20 random operations. Keeping old
// data, every old file is afterwards intact in the table's directory or
// complete in the backup directory; deleting it, either the old files are
// all in place or the new ones are complete (in place or still waiting in
// the working directory).
void CrashAnywhere(bool keep) {
  TempDir model;
  MakeTwoFileTable(model.dir(), 0.5);
  const Snapshot old_files = Snap(model.dir());
  int64_t total = 0;
  Snapshot new_files;
  {
    TempDir t;
    CopyFiles(old_files, t.dir());
    CountingEnv env;
    engine::TDivider d(Job(t.dir(), keep), &env);
    std::string used;
    d.Divide("", used);
    total = env.count();
    new_files = Snap(t.dir());
  }
  const char* seed_text = std::getenv("CRASH_SEED");
  const uint32_t seed = seed_text ? static_cast<uint32_t>(std::atol(seed_text)) : 20261207u;
  std::mt19937 rng(seed);
  for (int i = 0; i < 20; ++i) {
    const int64_t k = std::uniform_int_distribution<int64_t>(1, total)(rng);
    TempDir t;
    CopyFiles(old_files, t.dir());
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      CountingEnv env(k);
      env.at_fail = [] { raise(SIGKILL); };
      try {
        engine::TDivider d(Job(t.dir(), keep), &env);
        std::string used;
        d.Divide("", used);
      } catch (...) {
      }
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", killed at operation " + std::to_string(k) +
                 " of " + std::to_string(total));
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    std::vector<std::string> dirs = {t.dir()};
    for (const auto& d : Subdirs(t.dir(), "old")) dirs.push_back(t / (d + "/"));
    if (keep) {
      EXPECT_TRUE(EachSomewhere(old_files, dirs));
    } else {
      for (const auto& d : Subdirs(t.dir(), "tmp")) dirs.push_back(t / (d + "/"));
      EXPECT_TRUE(EachSomewhere(old_files, {t.dir()}) || EachSomewhere(new_files, dirs));
    }
  }
}

TEST(CrashTest, KilledAnywhereKeepingOldFiles) {
  CrashAnywhere(true);
}
TEST(CrashTest, KilledAnywhereDeletingOldFiles) {
  CrashAnywhere(false);
}
#endif

}  // namespace
