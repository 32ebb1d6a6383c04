// The division request: what the start button of the main window does, free
// of any window. It turns the user's entries into one hand-picked job or the
// jobs of a preset, runs them one after another, threads the backup
// directory from job to job and reports completion. It talks to the user
// only through a UserDialog and runs each job through a JobRunner (a fresh
// TDivider in the program, a fake in tests).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/EngineError.h"
#include "engine/Job.h"
#include "engine/Messages.h"
#include "engine/ProgressDisplay.h"
#include "engine/UserDialog.h"
#include "platform/Env.h"

namespace engine {

// Rows of the request list (DivType): which kind of request.
enum DivTypeRow : int { kDivUser = 0, kDivTolm = 1, kDivWertal = 2, kDivKadmor = 3 };

// The entries a request is made of, named after the window's controls.
struct RequestEntries {
  int DivType = kDivUser;
  // Hand-picked job (row 0).
  std::string DataFN, TableFN, FieldName;
  int32_t Size = 650;
  bool CheckID = true;
  bool OldToTemp = true;
  // Presets (rows 1-3): the database directory and its settings.
  std::string TolmDir;
  int32_t TolmSize = 650;
  bool TolmTmp = true;
};

// One preset job: table and description file, relative to the database
// directory, with '/' between directory and name.
struct PresetPair {
  const char* TablePath;
  const char* DataPath;
};
// The fixed list of a preset row (1-3); empty for any other row.
const std::vector<PresetPair>& PresetPairs(int div_type);
// The address field of a preset row ("OpisTop", "Inne", "Adres").
std::string PresetAddressField(int div_type);
// The kind of data a preset row divides, as the request list names it
// ("dane Banku Tolmów" ...); empty for any other row.
std::string PresetDataName(int div_type);
// Whether the database directory holds a table of the preset's list.
bool HasPresetTable(int div_type, const std::string& database_dir,
                    platform::Env* env = platform::Env::Default());

// Version of a Kadmor database as its "Admin/kadmor.ini" records it
// (section "WersjaInne", keys "Ver1", "Ver2"; defaults 1 and 0). Names of
// the directory, file, section and keys are matched ignoring letter case.
struct KadmorVersion {
  int32_t Ver1 = 1;
  int32_t Ver2 = 0;
};
KadmorVersion ReadKadmorVersion(const std::string& database_dir,
                                platform::Env* env = platform::Env::Default());
// Whether a database of that version needs the user's consent (older
// than 1.10).
bool KadmorNeedsQuestion(const KadmorVersion& v);

struct RequestResult {
  // False when the version question was not answered Yes: nothing ran and
  // nothing was shown.
  bool completed = false;
  std::string backup_path;  // as appended to the completion message
  std::string message;      // the completion message shown
  std::vector<JobReport> jobs;
  DivisionCounts total;

  // Completed with warnings: some job kept old files the user asked to
  // delete (references not copied, marker rows) or could not delete them.
  bool HasWarnings() const {
    for (const JobReport& j : jobs) {
      if (j.HasWarnings()) return true;
    }
    return false;
  }
};

// A preset that failed after some of its jobs were committed: those stay
// divided; the message ends with each of them and where its old files are.
class RequestError : public EngineError {
 public:
  RequestError(const std::string& message, std::vector<JobReport> committed)
      : EngineError(message), committed_(std::move(committed)) {}
  const std::vector<JobReport>& committed() const { return committed_; }

 private:
  std::vector<JobReport> committed_;
};

// The completion message's additions, shared by the window and the
// command line: references not copied, jobs skipped, repairs, warnings.
std::string CompletionDetails(const RequestResult& result);

// Runs one job: Divide(OldDir, UsedOldDir) of a fresh TDivider, filling the
// report. Throws EngineError on failure.
using JobRunner = std::function<void(const TDividerInfo& info, const std::string& OldDir,
                                     std::string& UsedOldDir, JobReport& report)>;

// The runner the program uses: a TDivider per job over env, showing its
// progress through `progress` (null: none).
// `verify`: read the new files back before the commit (TDivider::SetVerify).
JobRunner DividerJobRunner(platform::Env* env = platform::Env::Default(),
                           ProgressDisplayFactory* progress = nullptr, bool verify = true);

class DivisionRequest {
 public:
  DivisionRequest(UserDialog* dialog, JobRunner run_job,
                  platform::Env* env = platform::Env::Default());

  // Called after each job that ended without error (the command line
  // prints its counts).
  void SetOnJobDone(std::function<void(const JobReport&)> on_job_done) {
    on_job_done_ = std::move(on_job_done);
  }
  // Ask before a request that deletes the old data (the window does; the
  // command line was told so by an option).
  void SetAskBeforeDeleting(bool ask) { ask_before_deleting_ = ask; }

  // Told of each job before it runs and of the request's end, so that one
  // window can show the whole request (not owned; null: none).
  void SetProgress(ProgressDisplayFactory* progress) { progress_ = progress; }

  // The start action. Raises EngineError "Nie wypełniono wszystkich pól"
  // with the names of the empty entries before any job, and passes a job's
  // error on: jobs finished before stay finished, later ones do not run,
  // no completion message is shown. A preset whose directory holds none of
  // its tables is refused before any question. Questions answered No end
  // the request with nothing done (completed false). Reseeds UniqueName's
  // generator.
  RequestResult Run(const RequestEntries& entries);

 private:
  void RunJob(const TDividerInfo& info, std::string& backup_path, RequestResult& result);

  UserDialog* dialog_;
  JobRunner run_job_;
  platform::Env* env_;
  std::function<void(const JobReport&)> on_job_done_;
  bool ask_before_deleting_ = false;
  ProgressDisplayFactory* progress_ = NullProgress();
};

}  // namespace engine
