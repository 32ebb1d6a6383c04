// The job runner the program uses: one TDivider per job, freed after it,
// also when the job fails.
#include "engine/Divider.h"
#include "engine/DivisionRequest.h"

namespace engine {

JobRunner DividerJobRunner(platform::Env* env, ProgressDisplayFactory* progress, bool verify) {
  return [env, progress, verify](const TDividerInfo& info, const std::string& OldDir,
                                 std::string& UsedOldDir, JobReport& report) {
    TDivider divider(info, env, progress);
    divider.SetVerify(verify);
    divider.Divide(OldDir, UsedOldDir);
    report.ran = divider.Ran();
    report.counts = divider.Counts();
    report.dropped_list = divider.DroppedList();
    report.notes = divider.Notes();
    report.warnings = divider.Warnings();
  };
}

}  // namespace engine
