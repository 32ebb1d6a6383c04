// What a division must refuse before it makes anything (a field that holds
// no addresses, a description set with a file missing, files another
// program has open), what it keeps out while it runs (other programs), and
// what it keeps of the old files (their rights) or leaves when stopped.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "engine/EngineError.h"
#include "engine/Planner.h"
#include "engine/Recovery.h"
#include "platform/Interrupt.h"
#include "tests/engine/Databases.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

// A table whose description set is already divided at 1 MB (a base file
// and continuation files), as a second division finds it.
demodb::Generated DividedTable(const std::string& dir, bool with_dbt = true) {
  auto o = SmallTable(dir, 40);
  o.mean_record = 30000;
  o.raster = 1.0;
  o.dangling = 0;
  o.marker = 0;  // nothing keeps the old files: none is left beside
  o.with_dbt = with_dbt;
  demodb::Generated g = Make(o);
  engine::TDivider d(Job(dir, false));
  std::string used;
  d.Divide("", used);
  EXPECT_TRUE(fs::exists(dir + "opisy.001"));
  return g;
}

TEST(SafetyTest, RefusedBeforeAnythingIsMade) {
  struct Case {
    const char* name;
    // Changes the database (or holds a file open) and gives the message.
    std::function<std::string(const std::string& dir, const demodb::Generated& g,
                              engine::TDividerInfo& info, std::unique_ptr<platform::File>& held)>
        arrange;
    bool plan_too;  // the dry run says the same
  };
  auto hold = [](const std::string& path, std::unique_ptr<platform::File>& held) {
    EXPECT_TRUE(
        platform::Env::Default()->OpenFile(path, platform::OpenMode::kReadOnlyShared, &held).ok());
  };
  const Case cases[] = {
      {"a field of names",
       [](const std::string&, const demodb::Generated& g, engine::TDividerInfo& info, auto&) {
         info.AddressField = "NAZWA";
         size_t row = 0;
         while (g.rows[row].id == std::string(5, '\xFF')) ++row;
         return "Pole NAZWA nie zawiera adresów: wiersz " + std::to_string(row + 1) +
                " (\"wiersz " + std::to_string(row + 1) + "\")";
       },
       true},
      {"a continuation file missing",
       [](const std::string& dir, const demodb::Generated&, engine::TDividerInfo&, auto&) {
         fs::remove(dir + "opisy.001");
         return "Brak pliku opisów: " + dir + "opisy.001";
       },
       true},
      {"the description file open elsewhere",
       [&](const std::string& dir, const demodb::Generated&, engine::TDividerInfo&, auto& held) {
         hold(dir + "opisy.001", held);
         return "Plik opisów " + dir +
                "opisy.001 jest używany przez inny program. Zamknij ten program i "
                "spróbuj ponownie.";
       },
       false},
      {"the memo file open elsewhere",
       [&](const std::string& dir, const demodb::Generated&, engine::TDividerInfo&, auto& held) {
         hold(dir + "opisy.dbt", held);
         return "Nie udało się otworzyć tabeli " + dir + "opisy.dbf: Plik notatek " + dir +
                "opisy.dbt jest używany przez inny program. Zamknij ten program i "
                "spróbuj ponownie.";
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir t;
    const demodb::Generated g = DividedTable(t.dir());
    engine::TDividerInfo info = Job(t.dir(), false);
    std::unique_ptr<platform::File> held;
    const std::string message = c.arrange(t.dir(), g, info, held);
    const Snapshot before = Snap(t.dir());
    EXPECT_EQ(DivisionError(info), message);
    if (c.plan_too) {
      EXPECT_EQ(PlanError(info), message);
    }
    EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
    EXPECT_TRUE(Subdirs(t.dir(), "").empty());
  }
}

// While the rows are converted, while the new files are checked and while
// they are exchanged, no other program opens any old file: reading
// included.
TEST(SafetyTest, OtherProgramsAreKeptOutUntilTheLastFileHasMoved) {
  TempDir t;
  DividedTable(t.dir());
  const std::vector<std::string> old_files = {"opisy.dbf", "opisy.mdx", "opisy.dbt", "opisy.dat",
                                              "opisy.001"};
  struct Peer : engine::ProgressDisplayFactory, engine::ProgressDisplay {
    std::string dir;
    std::vector<std::string> names;
    int tries = 0, refused = 0;
    void TryAll() {
      for (const auto& n : names) {
        std::unique_ptr<platform::File> f;
        ++tries;
        // A file already moved aside is not there to be opened.
        platform::Status s =
            platform::Env::Default()->OpenFile(dir + n, platform::OpenMode::kReadOnlyShared, &f);
        if (s.IsBusy()) ++refused;
        if (s.ok()) ADD_FAILURE() << n << " opened during the run";
      }
    }
    std::unique_ptr<engine::ProgressDisplay> Create(const std::string&, int32_t) override {
      struct W : engine::ProgressDisplay {
        Peer* p;
        void Show() override { p->TryAll(); }
        void SetPosition(int32_t) override { p->TryAll(); }
        void SetPhase(const std::string&) override { p->TryAll(); }
      };
      auto w = std::make_unique<W>();
      w->p = this;
      return w;
    }
    void Show() override {}
    void SetPosition(int32_t) override {}
  } peer;
  peer.dir = t.dir();
  peer.names = old_files;
  engine::TDivider d(Job(t.dir(), true), platform::Env::Default(), &peer);
  std::string used;
  d.Divide("", used);
  EXPECT_GT(peer.tries, 10);
  EXPECT_EQ(peer.refused, peer.tries);
  // Afterwards they open again, the old ones in the backup too.
  for (const auto& n : old_files) {
    std::unique_ptr<platform::File> f;
    EXPECT_TRUE(
        platform::Env::Default()->OpenFile(used + n, platform::OpenMode::kReadOnlyShared, &f).ok())
        << n;
  }
}

#ifndef _WIN32  // Windows keeps only a read-only attribute, no modes
// The new files take the rights of the old ones they replace: other
// accounts keep what they had, and nobody gains reading.
TEST(SafetyTest, NewFilesKeepTheOldRights) {
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "keeping" : "deleting");
    TempDir t;
    auto o = SmallTable(t.dir(), 40);
    o.mean_record = 30000;
    o.raster = 1.0;
    o.dangling = 0;
    Make(o);
    const std::map<std::string, mode_t> modes = {
        {"opisy.dbf", 0640}, {"opisy.mdx", 0660}, {"opisy.dat", 0604}};
    for (const auto& [name, mode] : modes) ASSERT_EQ(::chmod((t / name).c_str(), mode), 0);
    engine::TDivider d(Job(t.dir(), keep));
    std::string used;
    d.Divide("", used);
    // A continuation file is new to the set: it takes the description
    // file's rights.
    const std::map<std::string, mode_t> want = {
        {"opisy.dbf", 0640}, {"opisy.mdx", 0660}, {"opisy.dat", 0604}, {"opisy.001", 0604}};
    for (const auto& [name, mode] : want) {
      struct stat st;
      ASSERT_EQ(::stat((t / name).c_str(), &st), 0) << name;
      EXPECT_EQ(st.st_mode & 0777, mode) << name;
    }
  }
}
#endif

// A stop asked for during the row loop (Ctrl+C, the window closed) leaves
// the old files as they were and no working directory.
TEST(SafetyTest, AStopBetweenRowsChangesNothing) {
  TempDir t;
  DividedTable(t.dir());
  const Snapshot before = Snap(t.dir());
  struct StopAtRow10 : engine::ProgressDisplayFactory {
    std::unique_ptr<engine::ProgressDisplay> Create(const std::string&, int32_t) override {
      struct W : engine::ProgressDisplay {
        void Show() override {}
        void SetPosition(int32_t row) override {
          if (row == 10) platform::RequestInterrupt();
        }
      };
      return std::make_unique<W>();
    }
  } stop;
  engine::TDivider d(Job(t.dir(), false), platform::Env::Default(), &stop);
  std::string used, error;
  try {
    d.Divide("", used);
  } catch (const engine::EngineError& e) {
    error = e.what();
  }
  platform::ClearInterrupt();
  EXPECT_EQ(error, "Podział został przerwany na żądanie użytkownika; pliki nie zostały zmienione");
  EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
  EXPECT_TRUE(Subdirs(t.dir(), "").empty());
}

// A working directory whose lock is held belongs to a run in progress,
// possibly in another program: a recovery leaves it alone. So does it one
// a run may be making right now: a lock file its run has not marked yet,
// or no lock file at all, made in the last minute. One whose lock nobody
// holds and which has no journal never reached its exchange and goes.
TEST(SafetyTest, RecoveryLeavesARunInProgressAlone) {
  TempDir t;
  platform::Env* env = platform::Env::Default();
  const struct {
    const char* dir;
    const char* lock;  // content of its lock file; null: none
    bool held, aged, removed;
  } cases[] = {
      {"tmp1.tmp", engine::kLockMark, true, true, false},
      {"tmp2.tmp", engine::kLockMark, false, false, true},
      {"tmp3.tmp", "", false, false, false},
      {"tmp4.tmp", "", false, true, true},
      {"tmp5.tmp", nullptr, false, false, false},
  };
  std::vector<std::unique_ptr<platform::File>> locks;
  for (const auto& c : cases) {
    ASSERT_TRUE(env->CreateDirectories(t / c.dir).ok());
    if (c.lock) {
      const std::string path = t / (std::string(c.dir) + "/" + engine::kWorkLockName);
      std::unique_ptr<platform::File> lock;
      ASSERT_TRUE(env->OpenFile(path, platform::OpenMode::kCreateExclusive, &lock).ok());
      ASSERT_TRUE(lock->WriteAt(0, c.lock, std::strlen(c.lock)).ok());
      if (c.held) locks.push_back(std::move(lock));
      std::ofstream(t / (std::string(c.dir) + "/opisy.dat")) << "copy";
    }
  }
  for (const auto& c : cases) {
    if (!c.aged) continue;
    for (const auto& f : fs::directory_iterator(t / c.dir))
      EXPECT_TRUE(test_support::Backdate(f.path().string(), 120));
    EXPECT_TRUE(test_support::Backdate(t / c.dir, 120));
  }
  const engine::RecoveryReport r = engine::RecoverDirectory(env, t.dir());
  EXPECT_TRUE(r.failed.empty());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dir);
    EXPECT_EQ(fs::exists(t / c.dir), !c.removed);
    const bool reported = std::find(r.done.begin(), r.done.end(),
                                    "Usunięto katalog roboczy przerwanego podziału: " + t / c.dir +
                                        platform::kPathDelim) != r.done.end();
    EXPECT_EQ(reported, c.removed);
  }
  EXPECT_EQ(r.running.size(), 2u);  // the held lock and the fresh unmarked one
}

}  // namespace
