// What a division takes as its old files and refuses to take: a
// description file that does not fit the table, another table's files of
// the same name, the records marker rows keep pointing at, a working
// directory another program interferes with, a table another run divides.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/Commit.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "engine/Planner.h"
#include "platform/EnvWrapper.h"
#include "tests/engine/Databases.h"
#include "tests/support/FaultEnv.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

engine::TDividerInfo Pair(const std::string& dir, const std::string& table, const std::string& data,
                          bool keep = true) {
  engine::TDividerInfo info = Job(dir, keep);
  info.TableFile = dir + table;
  info.DataFile = dir + data;
  return info;
}

// A description file of another table is refused before anything is made,
// in the division and its dry run alike, large tables sampled at their
// start and spread over them; the right file with many references lost
// (but not most) still divides.
TEST(PairTest, ADescriptionFileThatDoesNotFitIsRefused) {
  const char* kOwned = " należy do tabeli ";
  const char* kMissed = " sprawdzonych adresów nie wskazuje żadnego rekordu";
  const struct {
    const char* name;
    uint32_t rows;
    double dangling;
    bool wrong_file;
    uint32_t other_record;  // mean record of the other table's file
    const char* refusal;    // in the message; null: divided
  } cases[] = {
      {"small table, another table's file", 60, 0.06, true, 3000, kMissed},
      {"large table, another table's file", 5000, 0.02, true, 3000, kMissed},
      // Records of one block each start a record at almost every address:
      // the table named like the file shows whose it is.
      {"another table's file of small records", 60, 0.06, true, 200, kOwned},
      {"large table, its own file, a third of the references lost", 5000, 0.3, false, 3000,
       nullptr},
      {"small table, its own file, most references lost", 60, 0.6, false, 3000, kMissed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir t;
    auto o = SmallTable(t.dir(), c.rows);
    o.mean_record = c.rows > 1000 ? 200 : 3000;
    o.empty = o.zero = o.marker = o.shared = o.deleted = 0.02;
    o.dangling = c.dangling;
    Make(o);
    auto other = SmallTable(t.dir(), 300);
    other.table_name = "inne.dbf";
    other.data_name = "inne.dat";
    other.mean_record = c.other_record;
    other.seed = 9;
    Make(other);
    const engine::TDividerInfo info =
        Pair(t.dir(), "opisy.dbf", c.wrong_file ? "inne.dat" : "opisy.dat");
    const Snapshot before = Snap(t.dir());
    const std::string error = DivisionError(info);
    if (!c.refusal) {
      EXPECT_EQ(error, "");
      continue;
    }
    EXPECT_EQ(error.rfind("Plik opisów " + info.DataFile + " ", 0), 0u) << error;
    EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
    EXPECT_EQ(PlanError(info), error);
    EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
    EXPECT_TRUE(Subdirs(t.dir(), "").empty());
  }
}

// In a directory of a preset's fixed layout the tables are not named like
// their files (operdok.dbf with rastry.dan, roboty.dbf with wytycz.dan):
// the list says whose file it is. A table divided with another table's
// file of small records is refused; each with its own file divides.
TEST(PairTest, APresetsLayoutTellsWhoseFileItIs) {
  TempDir t;
  const std::string dir = t / "kerg/";
  fs::create_directories(dir);
  auto make = [&](const char* table, const char* data, uint32_t rows, uint32_t mean, int seed) {
    auto o = SmallTable(dir, rows);
    o.table_name = table;
    o.data_name = data;
    o.address_field = "ADRES";
    o.mean_record = mean;
    o.dangling = o.marker = 0;
    o.seed = static_cast<uint64_t>(seed);
    Make(o);
  };
  make("operdok.dbf", "rastry.dan", 30, 3000, 1);
  make("roboty.dbf", "wytycz.dan", 1000, 200, 2);
  auto job = [&](const char* table, const char* data) {
    engine::TDividerInfo info = Pair(dir, table, data, true);
    info.AddressField = "Adres";
    info.CheckID = false;
    return info;
  };
  const Snapshot before = Snap(dir);
  const std::string error = PlanError(job("operdok.dbf", "wytycz.dan"));
  EXPECT_NE(error.find(" należy do tabeli " + dir + "roboty.dbf"), std::string::npos) << error;
  EXPECT_EQ(DivisionError(job("operdok.dbf", "wytycz.dan")), error);
  EXPECT_TRUE(SameFiles(Snap(dir), before));
  EXPECT_EQ(PlanError(job("operdok.dbf", "rastry.dan")), "");
  EXPECT_EQ(PlanError(job("roboty.dbf", "wytycz.dan")), "");
}

// The old set is the description file and its numbered continuation
// files: a table whose name is the description file's stem stays where it
// is, whether the old files are kept or deleted, and the plan lists
// exactly the files that move.
TEST(PairTest, AnotherTableOfTheSameNameStays) {
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "kept" : "deleted");
    TempDir t;
    auto o = SmallTable(t.dir(), 40);
    o.data_name = "dokopisy.dat";
    o.dangling = o.marker = 0;
    o.mean_record = 30000;  // a continuation file at 1 MB
    o.raster = 1.0;
    Make(o);
    auto other = SmallTable(t.dir(), 30);
    other.table_name = "dokopisy.dbf";
    other.data_name = "inne.dat";
    other.seed = 3;
    Make(other);
    const engine::TDividerInfo info = Pair(t.dir(), "opisy.dbf", "dokopisy.dat", keep);
    const engine::JobPlan plan = engine::Planner().PlanJob(info);
    EXPECT_EQ(plan.old_files, (std::vector<std::string>{"opisy.dbf", "opisy.mdx", "dokopisy.dat"}));
    EXPECT_EQ(plan.keeps_old, keep);
    const std::string other_dbf = ReadBytes(t / "dokopisy.dbf");
    const std::string other_mdx = ReadBytes(t / "dokopisy.mdx");
    EXPECT_EQ(DivisionError(info), "");
    EXPECT_EQ(ReadBytes(t / "dokopisy.dbf"), other_dbf);
    EXPECT_EQ(ReadBytes(t / "dokopisy.mdx"), other_mdx);
    EXPECT_TRUE(fs::exists(t / "dokopisy.001"));
    const auto olds = Subdirs(t.dir(), "old");
    ASSERT_EQ(olds.size(), keep ? 1u : 0u);
    if (keep) {
      std::vector<std::string> kept;
      for (const auto& [name, bytes] : Snap(t / olds[0])) kept.push_back(name);
      EXPECT_EQ(kept, (std::vector<std::string>{"dokopisy.dat", "opisy.dbf", "opisy.mdx"}));
    }
  }
}

// A row with the "ID" marker keeps its address; when that address reads a
// record of the old set, the row is listed and the old files are kept (as
// for a reference not copied), also when deleting them was asked for; a
// marker row whose address reads nothing, or none, is neither.
TEST(PairTest, MarkerRowsKeepTheirOldRecords) {
  TempDir t;
  const std::string marker(5, '\xFF');
  const std::vector<int32_t> a = WriteDescriptionFile(t / "opisy.dat", 6, 5);
  WriteTable(t.dir(), "opisy.dbf", "OPISTOP",
             {{"R1", engine::IntToHex8(a[0])},
              {marker, engine::IntToHex8(a[3])},
              {"R3", engine::IntToHex8(a[1])},
              {marker, "7FFFFF"},
              {marker, ""},
              {marker, "0"},
              {"R7", engine::IntToHex8(a[2])}});
  engine::TDividerInfo info = Job(t.dir(), false);
  info.AddressField = "OPISTOP";
  const engine::JobPlan plan = engine::Planner().PlanJob(info);
  engine::TDivider d(info);
  std::string used;
  d.Divide("", used);
  EXPECT_EQ(d.Counts().skipped_marker, 3u);  // the one without an address is empty
  EXPECT_EQ(d.Counts().marker_kept, 1u);
  EXPECT_EQ(plan.counts.marker_kept, 1u);
  EXPECT_TRUE(plan.keeps_old);
  ASSERT_EQ(Subdirs(t.dir(), "old").size(), 1u);
  EXPECT_EQ(used, t / (Subdirs(t.dir(), "old")[0] + "/"));
  const std::string list = ReadBytes(d.DroppedList());
  EXPECT_NE(list.find("\n2\t" + engine::IntToHex8(a[3]) + "\t" + engine::kReasonMarker + "\n"),
            std::string::npos)
      << list;
  EXPECT_EQ(ListedRows(d.DroppedList()).size(), 1u);
  // The row still names the old record, which the backup holds.
  const auto rows = ReadRows(t.dir(), "opisy.dbf", "OPISTOP");
  EXPECT_EQ(rows[1].address, engine::IntToHex8(a[3]));
  store::tjxmemo old;
  ASSERT_TRUE(old.Open(used + "opisy.dat"));
  int32_t size = 0, plain = 0;
  const uint8_t* data = nullptr;
  EXPECT_TRUE(old.ReadRecord(size, a[3], data, true, plain));
}

// A recovery in another program may take a fresh lock file away between
// its making and its lock: the run notices and takes another working
// directory; when that keeps happening it gives up before anything else.
TEST(PairTest, ALockTakenAwayInTheGapIsNeverUsed) {
  struct Thief : platform::EnvWrapper {
    Thief() : EnvWrapper(platform::Env::Default()) {}
    int steal = 0;
    std::vector<std::string> dirs;
    platform::Status OpenFile(const std::string& path, platform::OpenMode mode,
                              std::unique_ptr<platform::File>* result) override {
      platform::Status s = EnvWrapper::OpenFile(path, mode, result);
      if (s.ok() && mode == platform::OpenMode::kCreateExclusive &&
          platform::ExtractFileName(path) == engine::kWorkLockName) {
        dirs.push_back(platform::ExtractFilePath(path));
        if (steal > 0) {
          --steal;
          (void)target()->DeleteFile(path);
        }
      }
      return s;
    }
  };
  for (int steal : {1, 100}) {
    SCOPED_TRACE(steal);
    TempDir t;
    auto o = SmallTable(t.dir(), 40);
    o.dangling = o.marker = 0;
    Make(o);
    const Snapshot before = Snap(t.dir());
    Thief env;
    env.steal = steal;
    const std::string error = DivisionError(Job(t.dir(), false), &env);
    EXPECT_TRUE(Subdirs(t.dir(), "").empty());
    if (steal == 1) {
      EXPECT_EQ(error, "");
      ASSERT_EQ(env.dirs.size(), 2u);
      EXPECT_NE(env.dirs[0], env.dirs[1]);
    } else {
      EXPECT_EQ(error.rfind(std::string(engine::kMsgWorkDir) + ": ", 0), 0u) << error;
      EXPECT_NE(error.find(engine::kWorkLockName), std::string::npos) << error;
      EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
    }
  }
}

// A second division of a table another run is dividing says so, while the
// first holds it and while its exchange has set it aside for a moment.
TEST(PairTest, ASecondDivisionSaysTheTableIsBeingDivided) {
  TempDir t;
  auto o = SmallTable(t.dir(), 40);
  o.dangling = o.marker = 0;
  Make(o);
  std::vector<std::string> seen;
  auto second = [&] {
    seen.push_back(DivisionError(Job(t.dir(), true)));
    seen.push_back(PlanError(Job(t.dir(), true)));
  };
  struct AtRow10 : engine::ProgressDisplayFactory {
    std::function<void()> hook;
    std::unique_ptr<engine::ProgressDisplay> Create(const std::string&, int32_t) override {
      struct W : engine::ProgressDisplay {
        std::function<void()> hook;
        void Show() override {}
        void SetPosition(int32_t row) override {
          if (row == 10) hook();
        }
      };
      auto w = std::make_unique<W>();
      w->hook = hook;
      return w;
    }
  } during_rows;
  during_rows.hook = second;
  test_support::FaultEnv env;  // the old description file going aside
  env.Fail(test_support::FaultEnv::kMove, 1, false, "opisy.dat");
  env.at_fail = second;
  engine::TDivider d(Job(t.dir(), true), &env, &during_rows);
  std::string used;
  d.Divide("", used);
  const std::string busy = engine::MsgTableBeingDivided(t / "opisy.dbf");
  EXPECT_EQ(seen, (std::vector<std::string>{busy, busy, busy, busy}));
  EXPECT_TRUE(d.Counts().records_written > 0);
}

}  // namespace
