// A record of the old description file that the system fails to read (an
// I/O error, a failed lock) fails the division and the dry run alike: the
// row must not lose its reference while the old file is deleted or moved.
// A dangling address still only clears its row.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "engine/EngineError.h"
#include "engine/Planner.h"
#include "tests/engine/Databases.h"
#include "tests/support/FaultEnv.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

const std::string kReadMessage = "Błąd podczas odczytu danych: wiersz ";

using test_support::FaultEnv;

// Whether the message's row ("wiersz N") is one that points at a record,
// and the block it names, if any ("(adres X)"), belongs to that row's
// record: the generator lays each record's blocks out after its first, so
// X's record is the one starting nearest below it.
bool FailureIsTheRows(const demodb::Generated& g, const std::string& error) {
  std::smatch m;
  if (!std::regex_search(error, m, std::regex("wiersz ([0-9]+),"))) return false;
  const size_t row = std::stoul(m[1]);
  if (row < 1 || row > g.rows.size() || g.rows[row - 1].address == 0) return false;
  if (!std::regex_search(error, m, std::regex("\\(adres ([0-9A-F]{8})\\)"))) return true;
  const int32_t block = static_cast<int32_t>(std::stoul(m[1], nullptr, 16));
  int32_t owner = 0;
  for (const auto& r : g.rows) {
    if (r.address != 0 && r.address <= block) owner = std::max(owner, r.address);
  }
  return g.rows[row - 1].address == owner;
}

// The dry run reads the old set as any reader does, a record at a time
// under the lock byte; the division holds the set and reads it through a
// window of its own without the lock. Each fails on its own first, middle
// and last operation, with the read message for the row it had reached;
// the division's one lock, the header's as the set opens, fails it before
// the first row.
void FailOneRecord(FaultEnv::Op kind, bool keep) {
  struct Run {
    const char* what;
    std::string (*run)(const engine::TDividerInfo&, platform::Env*);
  };
  for (const Run& r : {Run{"dry run", PlanError}, Run{"division", DivisionError}}) {
    // How many the undisturbed run makes, on the same files as each run
    // below (a division replaces them). The first is the header's, when
    // the store opens; the rest are the row loop's.
    demodb::Generated g;
    auto make = [&g](const TempDir& t) {
      auto o = SmallTable(t.dir(), 40);
      o.mean_record = 20000;
      o.with_dbt = true;
      g = Make(o);
      return Snap(t.dir());
    };
    int total = 0;
    {
      TempDir t;
      make(t);
      FaultEnv env;
      ASSERT_EQ(r.run(Job(t.dir(), keep), &env), "") << r.what;
      total = static_cast<int>(env.count(kind, t.dir() + "opisy.dat"));
    }
    // A held set keeps everybody else out: the division locks no record.
    const bool header_only = kind == FaultEnv::kLock && r.run == DivisionError;
    if (header_only) {
      ASSERT_EQ(total, 1) << r.what;
    } else {
      ASSERT_GT(total, 1) << r.what;
    }
    // The header's lock, or the first record read, one in the middle and
    // the last.
    const std::vector<int> fail_at =
        header_only ? std::vector<int>{1} : std::vector<int>{2, total / 2 + 1, total};
    for (int k : fail_at) {
      SCOPED_TRACE(std::string(r.what) + ": failing operation " + std::to_string(k) + " of " +
                   std::to_string(total));
      TempDir t;
      const Snapshot before = make(t);
      FaultEnv env;
      env.Fail(kind, k, false, t.dir() + "opisy.dat");
      const std::string error = r.run(Job(t.dir(), keep), &env);
      if (header_only) {
        EXPECT_EQ(error.rfind("Nie udało się otworzyć pliku: " + t.dir() + "opisy.dat", 0), 0u)
            << error;
      } else {
        EXPECT_EQ(error.rfind(kReadMessage, 0), 0u) << error;
        EXPECT_NE(error.find("injected"), std::string::npos) << error;
        EXPECT_NE(error.find("opisy.dat"), std::string::npos) << error;
        EXPECT_TRUE(FailureIsTheRows(g, error)) << error;
      }
      EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
      EXPECT_TRUE(Subdirs(t.dir(), "").empty()) << "working or backup directory left";
    }
  }
}

TEST(ReadFailureTest, FailedReadOfARecordFailsTheRunKeepingOldData) {
  FailOneRecord(FaultEnv::kRead, true);
}
TEST(ReadFailureTest, FailedReadOfARecordFailsTheRunDeletingOldData) {
  FailOneRecord(FaultEnv::kRead, false);
}
TEST(ReadFailureTest, FailedLockForARecordFailsTheRun) {
  FailOneRecord(FaultEnv::kLock, false);
}

// Dangling addresses are no failure: their rows are cleared and the run
// ends well, in the dry run as in the division; the old files stay in a
// backup directory, although deleting them was asked for.
TEST(ReadFailureTest, DanglingAddressesStillOnlyClearTheirRows) {
  TempDir t;
  auto o = SmallTable(t.dir(), 40);
  const demodb::Generated g = Make(o);
  uint64_t dangling = 0;
  for (const auto& r : g.rows) {
    if (r.address != 0 && !r.readable) ++dangling;
  }
  ASSERT_GT(dangling, 0u);
  const engine::JobPlan plan = engine::Planner().PlanJob(Job(t.dir(), false));
  engine::TDivider d(Job(t.dir(), false));
  std::string used;
  ASSERT_NO_THROW(d.Divide("", used));
  EXPECT_GT(d.Counts().dropped, 0u);
  EXPECT_EQ(plan.counts.dropped, d.Counts().dropped);
  EXPECT_TRUE(Subdirs(t.dir(), "tmp").empty());
  EXPECT_EQ(Subdirs(t.dir(), "old").size(), 1u);
}

}  // namespace
