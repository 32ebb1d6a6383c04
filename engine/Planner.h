// Dry run of a division: opens the table and the description file
// read-only, walks the rows exactly as the division's row loop does and
// lets a real store write the new set into memory (SizingEnv), so the
// predicted new files and their sizes follow the packing rule, the
// compression of plain records and the size limit exactly. Nothing is
// written to disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/DivisionRequest.h"
#include "engine/Job.h"
#include "platform/Env.h"

namespace engine {

// How many unreadable references a plan lists by row number.
inline constexpr size_t kPlanListedRows = 20;

struct PlannedFile {
  std::string name;  // file name in the table's directory
  uint64_t size = 0;
};

struct JobPlan {
  TDividerInfo info;
  bool ran = false;                       // false: table or description file missing
  DivisionCounts counts;                  // as the division would count
  std::vector<uint32_t> unreadable_rows;  // 1-based, the first kPlanListedRows
  std::vector<PlannedFile> files;         // new description files, base first
  // The old files the commit would move aside (the table's, then the
  // description set), and whether into a backup directory: with KeepOld,
  // or when rows would keep old records (references not copied, marker
  // rows); otherwise they would be deleted.
  std::vector<std::string> old_files;
  bool keeps_old = false;
};

class Planner {
 public:
  explicit Planner(platform::Env* env = platform::Env::Default());

  // Plans one job. Raises EngineError with the division's own message for
  // everything that would make the division fail.
  JobPlan PlanJob(const TDividerInfo& info);

  // A job runner for DivisionRequest that plans instead of dividing and
  // appends each job's plan to *plans.
  JobRunner Runner(std::vector<JobPlan>* plans);

 private:
  platform::Env* env_;
};

}  // namespace engine
