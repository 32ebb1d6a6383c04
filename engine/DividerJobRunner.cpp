// The job runner the program uses: one TDivider per job, freed after it,
// also when the job fails.
#include "engine/DivisionRequest.h"

namespace engine {

JobRunner DividerJobRunner(platform::Env* env, ProgressFactory* progress) {
  return [env, progress](const TDividerInfo& info, const std::string& OldDir,
                         std::string& UsedOldDir, JobReport& report) {
    TDivider divider(info, env, progress);
    divider.Divide(OldDir, UsedOldDir);
    report.ran = divider.Ran();
    report.counts = divider.Counts();
  };
}

}  // namespace engine
