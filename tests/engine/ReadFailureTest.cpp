// A record of the old description file that the system fails to read (an
// I/O error, a failed lock) fails the division and the dry run alike: the
// row must not lose its reference while the old file is deleted or moved.
// A dangling address still only clears its row.
#include <gtest/gtest.h>

#include "engine/EngineError.h"
#include "engine/Planner.h"
#include "platform/EnvWrapper.h"
#include "tests/engine/Databases.h"

using namespace engine_test;
using testing_util::TempDir;

namespace {

const std::string kReadMessage = "Błąd podczas odczytu danych: wiersz ";

// Counts reads (or locks) of the old description file and fails the one
// with the chosen number. The first of them is the header's, when the store
// opens; the rest are the row loop's.
class OldSetFaultEnv : public platform::EnvWrapper {
 public:
  enum class Kind { kRead, kLock };
  OldSetFaultEnv(std::string old_file, Kind kind, int fail_at = -1)
      : EnvWrapper(platform::Env::Default()),
        old_file_(std::move(old_file)),
        kind_(kind),
        fail_at_(fail_at) {}
  int count() const { return count_; }

  platform::Status OpenFile(const std::string& path, platform::OpenMode mode,
                            std::unique_ptr<platform::File>* result) override {
    std::unique_ptr<platform::File> f;
    platform::Status s = EnvWrapper::OpenFile(path, mode, &f);
    std::error_code ec;
    if (s.ok() && fs::equivalent(path, old_file_, ec)) {
      f = std::make_unique<File>(this, std::move(f));
    }
    if (s.ok()) *result = std::move(f);
    return s;
  }

 private:
  bool Tick() { return ++count_ == fail_at_; }
  class File : public platform::FileWrapper {
   public:
    File(OldSetFaultEnv* env, std::unique_ptr<platform::File> f)
        : FileWrapper(std::move(f)), env_(env) {}
    platform::Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
      if (env_->kind_ == Kind::kRead && env_->Tick())
        return platform::Status::IOError("injected read failure: " + Path());
      return FileWrapper::ReadAt(offset, buf, n, got);
    }
    platform::Status LockByte(uint64_t offset) override {
      if (env_->kind_ == Kind::kLock && env_->Tick())
        return platform::Status::IOError("injected lock failure: " + Path());
      return FileWrapper::LockByte(offset);
    }

   private:
    OldSetFaultEnv* env_;
  };
  std::string old_file_;
  Kind kind_;
  int fail_at_;
  int count_ = 0;
};

std::string DivisionError(const engine::TDividerInfo& info, platform::Env* env) {
  engine::TDivider d(info, env);
  std::string used;
  try {
    d.Divide("", used);
  } catch (const engine::EngineError& e) {
    return e.what();
  }
  return "";
}

std::string PlanError(const engine::TDividerInfo& info, platform::Env* env) {
  try {
    engine::Planner(env).PlanJob(info);
  } catch (const engine::EngineError& e) {
    return e.what();
  }
  return "";
}

// The dry run reads the old set as any reader does, a record at a time
// under the lock byte; the division holds the set and reads it through a
// window of its own without the lock. Each fails on its own first, middle
// and last operation, with the read message for the row it had reached.
void FailOneRecord(OldSetFaultEnv::Kind kind, bool keep) {
  struct Run {
    const char* what;
    std::string (*run)(const engine::TDividerInfo&, platform::Env*);
  };
  for (const Run& r : {Run{"dry run", PlanError}, Run{"division", DivisionError}}) {
    // How many the undisturbed run makes, on the same files as each run
    // below (a division replaces them).
    auto make = [](const TempDir& t) {
      auto o = SmallTable(t.dir(), 40);
      o.mean_record = 20000;
      o.with_dbt = true;
      Make(o);
      return Snap(t.dir());
    };
    int total = 0;
    {
      TempDir t;
      make(t);
      OldSetFaultEnv env(t.dir() + "opisy.dat", kind);
      ASSERT_EQ(r.run(Job(t.dir(), keep), &env), "") << r.what;
      total = env.count();
    }
    if (kind == OldSetFaultEnv::Kind::kLock && r.run == DivisionError) {
      // A held set keeps everybody else out: no record is locked, only
      // the header when the set opens.
      EXPECT_EQ(total, 1);
      continue;
    }
    ASSERT_GT(total, 1) << r.what;
    // The first record read, one in the middle and the last.
    for (int k : {2, total / 2 + 1, total}) {
      SCOPED_TRACE(std::string(r.what) + ": failing operation " + std::to_string(k) + " of " +
                   std::to_string(total));
      TempDir t;
      const Snapshot before = make(t);
      OldSetFaultEnv env(t.dir() + "opisy.dat", kind, k);
      const std::string error = r.run(Job(t.dir(), keep), &env);
      EXPECT_EQ(error.rfind(kReadMessage, 0), 0u) << error;
      EXPECT_NE(error.find("injected"), std::string::npos) << error;
      EXPECT_NE(error.find("opisy.dat"), std::string::npos) << error;
      EXPECT_TRUE(SameFiles(Snap(t.dir()), before));
      EXPECT_TRUE(Subdirs(t.dir(), "").empty()) << "working or backup directory left";
    }
  }
}

TEST(ReadFailureTest, FailedReadOfARecordFailsTheRunKeepingOldData) {
  FailOneRecord(OldSetFaultEnv::Kind::kRead, true);
}
TEST(ReadFailureTest, FailedReadOfARecordFailsTheRunDeletingOldData) {
  FailOneRecord(OldSetFaultEnv::Kind::kRead, false);
}
TEST(ReadFailureTest, FailedLockForARecordFailsTheRun) {
  FailOneRecord(OldSetFaultEnv::Kind::kLock, false);
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
