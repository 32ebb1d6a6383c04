// The exchange of files at the end of a division, made so that it can
// always be finished or undone. The old files of the job go aside (into the
// backup directory, or into a private directory inside the working
// directory that is deleted at the very end), then the new files come in
// from the working directory, the description set first and the .dbf last:
// a new .dbf in place means its set is complete. Before the first move the
// plan is written to a journal in the working directory, so that a commit
// cut short by a crash is finished or rolled back by the recovery.
//
// Every move is a rename that never replaces. What has been done is read
// back from the disk, never remembered: a move is done when its source name
// is gone and its target there; both names on one file mean a move made
// through a link that was cut short.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace engine {

// File names inside a working directory that are the run's own, never
// moved into the table's directory.
inline constexpr char kWorkLockName[] = "podzial.blokada";
inline constexpr char kJournalName[] = "podzial.dziennik";
inline constexpr char kPrivateAsideName[] = "stare";
// The list of references a run could not copy, kept beside the old files:
// prefix + table file name + suffix. Restore leaves such files where they
// are.
inline constexpr char kDroppedListPrefix[] = "nieskopiowane-";
inline constexpr char kDroppedListSuffix[] = ".txt";

struct CommitPlan {
  std::string table_dir;  // with separator
  std::string work_dir;   // with separator
  std::string aside_dir;  // with separator: backup directory or the private one
  bool private_aside = false;
  bool created_aside = false;          // the commit made aside_dir; undo removes it
  std::string list_name;               // a list moved from work_dir to aside_dir first; "" none
  std::vector<std::string> old_files;  // names in table_dir, in move order
  struct NewFile {
    std::string name;  // in work_dir
    uint64_t size = 0;
  };
  std::vector<NewFile> new_files;  // in move order: description set first, .dbf last
};

// The private aside directory of a working directory.
std::string PrivateAsideDir(const std::string& work_dir);

// Writes the plan to the journal in its working directory and pushes it to
// the disk. Throws EngineError.
void WriteJournal(platform::Env* env, const CommitPlan& plan);
// Reads the journal of a working directory (a path with separator). False
// when there is none or it is incomplete: the commit never began.
bool ReadJournal(platform::Env* env, const std::string& work_dir, CommitPlan* plan);

// Where each move of a plan stands on disk.
enum class MoveState { kNotDone, kDone, kHalf, kLost };
struct CommitState {
  MoveState list = MoveState::kDone;
  std::vector<MoveState> old_files, new_files;
};
CommitState Inspect(platform::Env* env, const CommitPlan& plan);

// Whether every new file is whole (where it stands now, by size), so that
// the commit can be finished.
bool NewFilesComplete(platform::Env* env, const CommitPlan& plan, const CommitState& state);

// Carries out the moves still to do, old files aside, then new files in,
// the directories flushed between. Throws EngineError at the first failure,
// with the step's reason.
void MoveForward(platform::Env* env, const CommitPlan& plan);
// Undoes every move done, newest first, and removes what the commit made
// in the aside directory. Throws EngineError when some file could not go
// back.
void MoveBack(platform::Env* env, const CommitPlan& plan);

// Removes the journal of a finished commit and pushes that to the disk.
// Must come before anything else in the working directory is deleted: a
// journal beside a half-deleted private directory would be read as a
// commit still to do. False when it failed; the directory must then stay.
bool DropJournal(platform::Env* env, const std::string& work_dir);

// Removes a working directory, its lock file last: a directory that could
// not be emptied keeps its lock file, so a later recovery finds it again.
// `lock` (the run's handle on it, may be null) is let go just before.
void RemoveWorkDir(platform::Env* env, const std::string& work_dir,
                   std::unique_ptr<platform::File>* lock);

// Where the old and the new files of a plan are now, for a message.
std::string DescribeWhere(platform::Env* env, const CommitPlan& plan);

}  // namespace engine
