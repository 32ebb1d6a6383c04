// Repair of divisions and restores that ended without cleaning up after
// themselves: a crash, a kill or a power cut. Each run keeps a lock file in
// its working directory ("tmp" + digits + ".tmp" beside the table) for its
// whole life; a working directory whose lock can be taken belongs to no
// live run. Without a journal, or with one cut short, nothing outside the
// working directory was touched, and the directory goes. With a journal the
// exchange had begun, and the tables tell how far (they are the first old
// files to go aside and the last new files to come in): see Decide. Either
// set may have been worked on since the run died, so a table in place is
// never moved away. A journal that cannot be read or names places outside
// the database, or files that fit no point of the exchange, are left as
// they are and the report says where they are. Directories that hold no
// lock file are not the division's and are left alone.
#pragma once

#include <string>
#include <vector>

#include "engine/Commit.h"
#include "platform/Env.h"

namespace engine {

// A lock file its run has not yet marked as held, or a working directory
// without one, this young may belong to a run that is starting.
inline constexpr int64_t kFreshSeconds = 60;

// What the recovery does with one working directory.
enum class WorkDirAction {
  kRemove,   // the exchange never began or was over: only the directory goes
  kFinish,   // the exchange is finished
  kUndo,     // the exchange is undone
  kLeave,    // nothing can be known: left as it is
  kRunning,  // a live run's: left alone
};
struct WorkDirRecovery {
  std::string work_dir;
  WorkDirAction action = WorkDirAction::kLeave;
  std::vector<FileMove> moves;  // made, or in a dry run to be made
};

struct RecoveryReport {
  // What was done, one sentence each, for the user.
  std::vector<std::string> done;
  // What could not be repaired, with where the files are.
  std::vector<std::string> failed;
  // Working directories of runs still going, left alone.
  std::vector<std::string> running;
  // Every working directory met, with what was (or would be) done.
  std::vector<WorkDirRecovery> dirs;
  bool Nothing() const { return done.empty() && failed.empty(); }
};

// Repairs every abandoned working directory directly in `dir`. A dry run
// decides the same and changes nothing: `done` then says what would be
// done, in the future tense, with the files that would move.
RecoveryReport RecoverDirectory(platform::Env* env, const std::string& dir, bool dry_run = false);
// The same for `dir` and each directory directly below it (a preset's
// database keeps its tables one level down).
RecoveryReport RecoverDatabase(platform::Env* env, const std::string& dir, bool dry_run = false);

// Whether a live run in `dir` (its working directory's lock held) is
// dividing or restoring the table `table_name`: its working copy is there,
// or its journal names the table.
bool TableBeingDivided(platform::Env* env, const std::string& dir, const std::string& table_name);

// Where a table of an interrupted exchange is, as its names on disk show.
enum class TableAt {
  kOldInPlace,  // the old table at its name; it has not come aside
  kNewInPlace,  // the new table at its name
  kNone,        // neither: nobody can work on it
  kUnknown,     // a file at its name that is neither
};
// What the recovery does, decided by the tables alone.
enum class RecoveryAction {
  kDropNew,        // every old table in place, nothing of the exchange kept: the new set goes
  kUndo,           // old tables in place, others aside: the moves made are undone
  kFinishInPlace,  // every new table in place: only the tidying is left
  kFinish,         // new tables in place, others not yet in: the moves left are made
  kComplete,       // no table in place: finished when every new file is whole, else undone
  kLeave,          // tables that fit no point of the exchange: nothing is touched
};
RecoveryAction Decide(const std::vector<TableAt>& tables);

}  // namespace engine
