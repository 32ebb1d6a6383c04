// The texts of the dry run and of the check of a description file, built
// once for the command line and the windows, and the dry run of a whole
// request with the checks a division meets before it writes anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/DivisionRequest.h"
#include "engine/Job.h"
#include "engine/Planner.h"
#include "engine/UserDialog.h"
#include "platform/Env.h"
#include "store/Checker.h"

namespace engine {

// The counts of one job (or of a whole request) on one line.
std::string CountsText(const DivisionCounts& c);

// A request planned: what the request did (completed is false when the
// Kadmor question was not answered Yes), each job's plan and the disk
// space each planned job needs (new description files and the working
// copy of its table).
struct RequestPlan {
  RequestResult result;
  std::vector<JobPlan> plans;
  std::vector<uint64_t> needed_bytes;  // one per plan; 0 for a skipped job
};

// Plans every job of the request as the division would run it, with the
// checks of PlanChecks. Raises EngineError with the reason the division
// would fail. The dialog answers the Kadmor question; the completion
// message the request would show goes to it too.
RequestPlan PlanRequest(platform::Env* env, UserDialog* dialog, const RequestEntries& entries);

// The plan as text: a heading, per job the counts, the unreadable
// references, the new files with their sizes, the disk space needed and
// the old files and where they go; the total under more than one job.
std::string PlanText(const RequestPlan& plan);

// "adres 0000002A, opisy.001 @ 1024: " for a finding of the check.
std::string CheckWhere(const store::CheckReport& r, const store::CheckProblem& p);

// The size on disk of every file of a checked set.
uint64_t SetBytes(const store::CheckReport& r);

// The check of a description file set as text, ending with its verdict.
std::string CheckText(const std::string& file, const store::CheckReport& r);

}  // namespace engine
