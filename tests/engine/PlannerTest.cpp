// The dry run against the real thing: a plan of a database must equal the
// division of the same database, file by file and count by count, and must
// leave every byte on disk as it was.
#include "engine/Planner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/Divider.h"
#include "engine/DivisionRequest.h"
#include "engine/EngineError.h"
#include "tests/engine/Databases.h"
#include "tests/platform/TempDir.h"

namespace {

namespace fs = std::filesystem;
using engine::JobPlan;
using engine::Planner;
using engine::TDividerInfo;
using engine_test::FileTree;
using engine_test::SetFiles;
using testing_util::TempDir;

std::map<std::string, uint64_t> PlannedFiles(const JobPlan& plan) {
  std::map<std::string, uint64_t> out;
  for (const auto& f : plan.files) out[f.name] = f.size;
  return out;
}

void ExpectSameCounts(const engine::DivisionCounts& a, const engine::DivisionCounts& b) {
  EXPECT_EQ(a.rows, b.rows);
  EXPECT_EQ(a.converted, b.converted);
  EXPECT_EQ(a.skipped_empty, b.skipped_empty);
  EXPECT_EQ(a.skipped_marker, b.skipped_marker);
  EXPECT_EQ(a.zero_addresses, b.zero_addresses);
  EXPECT_EQ(a.dropped, b.dropped);
  EXPECT_EQ(a.records_written, b.records_written);
  EXPECT_EQ(a.bytes_written, b.bytes_written);
  EXPECT_EQ(a.plain_bytes, b.plain_bytes);
  EXPECT_EQ(a.new_files, b.new_files);
  EXPECT_EQ(a.new_files_bytes, b.new_files_bytes);
}

TEST(PlannerTest, PlanEqualsTheDivisionFileByFile) {
  // No limit, the smallest limit (files of 1,000,000 bytes) and one that
  // leaves the set in one file.
  for (int32_t max_mb : {0, 1, 2, 650}) {
    SCOPED_TRACE(max_mb);
    TempDir tmp;
    engine_test::WriteJob(tmp.dir(), "opisy.dbf", "opisy.dat", "OPISTOP", 90, 11);
    TDividerInfo info{tmp / "opisy.dbf", "OpisTop", tmp / "opisy.dat", max_mb, true, true};

    const auto before = FileTree(tmp.dir());
    JobPlan plan = Planner().PlanJob(info);
    EXPECT_EQ(FileTree(tmp.dir()), before) << "the plan wrote something";
    ASSERT_TRUE(plan.ran);
    ASSERT_EQ(plan.files.front().name, "opisy.dat");
    EXPECT_EQ(plan.counts.skipped_empty, 1u);
    EXPECT_EQ(plan.counts.skipped_marker, 1u);
    EXPECT_EQ(plan.counts.zero_addresses, 1u);
    ASSERT_EQ(plan.unreadable_rows.size(), 1u);
    EXPECT_EQ(plan.unreadable_rows[0], 95u);  // "BAD", after 90 rows, DUP, EMPTY, marker, ZERO

    engine::TDivider divider(info);
    std::string used;
    divider.Divide("", used);
    EXPECT_EQ(PlannedFiles(plan), SetFiles(tmp.dir(), "opisy.dat"));
    ExpectSameCounts(plan.counts, divider.Counts());
    if (max_mb == 1) {
      EXPECT_GE(plan.files.size(), 3u) << "the limit should split the set";
    }
  }
}

TEST(PlannerTest, PresetPlanEqualsThePresetDivision) {
  TempDir tmp;
  const std::string db = tmp.dir();
  engine_test::WriteJob(db, "opisy.dbf", "opisy.dat", "OPISTOP", 12, 1);
  engine_test::WriteJob(db, "dokopisy.dbf", "dokopisy.dat", "OPISTOP", 7, 2);
  // opisyv is missing: both the plan and the division skip it.
  engine::RequestEntries e;
  e.DivType = engine::kDivTolm;
  e.TolmDir = db;
  e.TolmSize = 1;

  struct Quiet : engine::UserDialog {
    int Ask(const std::string&, const std::string&, int) override { return engine::kAnswerYes; }
    void Inform(const std::string&, const std::string&, int) override {}
  } dialog;
  Planner planner;
  std::vector<JobPlan> plans;
  engine::DivisionRequest plan_request(&dialog, planner.Runner(&plans));
  const auto before = FileTree(db);
  engine::RequestResult planned = plan_request.Run(e);
  EXPECT_EQ(FileTree(db), before);
  ASSERT_EQ(plans.size(), 3u);
  EXPECT_FALSE(plans[1].ran);

  engine::DivisionRequest real(&dialog, engine::DividerJobRunner());
  engine::RequestResult done = real.Run(e);
  ASSERT_EQ(done.jobs.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(plans[i].ran, done.jobs[i].ran);
    ExpectSameCounts(plans[i].counts, done.jobs[i].counts);
  }
  EXPECT_EQ(PlannedFiles(plans[0]), SetFiles(db, "opisy.dat"));
  EXPECT_EQ(PlannedFiles(plans[2]), SetFiles(db, "dokopisy.dat"));
  ExpectSameCounts(planned.total, done.total);
}

TEST(PlannerTest, FailsWhereTheDivisionWouldFail) {
  TempDir tmp;
  engine_test::WriteJob(tmp.dir(), "opisy.dbf", "opisy.dat", "OPISTOP", 3, 4);
  TDividerInfo info{tmp / "opisy.dbf", "Brak", tmp / "opisy.dat", 0, true, true};
  try {
    Planner().PlanJob(info);
    FAIL();
  } catch (const engine::EngineError& e) {
    EXPECT_EQ(e.what(), "Brak pola: Brak (tabela " + info.TableFile + ")");
  }
  // Not a description file.
  engine_test::WriteTable(tmp.dir(), "inne.dbf", "OPISTOP", {});
  std::ofstream(tmp / "inne.dat") << "XXXX not a description file";
  info = {tmp / "inne.dbf", "OPISTOP", tmp / "inne.dat", 0, true, true};
  EXPECT_THROW(Planner().PlanJob(info), engine::EngineError);
  // Missing files: skipped, like the division.
  info = {tmp / "nic.dbf", "OPISTOP", tmp / "nic.dat", 0, true, true};
  EXPECT_FALSE(Planner().PlanJob(info).ran);
}

}  // namespace
