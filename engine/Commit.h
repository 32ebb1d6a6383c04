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
// through a link that was cut short. The table's .dbf is the first file to
// go aside and the last to come in, so a .dbf in place always has its own
// description set beside it.
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
inline constexpr char kFinishedName[] = "podzial.gotowe";
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

// What a working directory's journal says.
enum class JournalRead {
  kNone,        // there is none: the commit never began
  kCutShort,    // the run died writing it: the commit never began
  kRead,        // the plan, whole
  kUnreadable,  // there, but not readable as written: touch nothing
};
// Reads the journal of a working directory (a path with separator). Line
// ends of either system and blank lines are taken as they come; `why`
// receives the reason of kUnreadable.
JournalRead ReadJournal(platform::Env* env, const std::string& work_dir, CommitPlan* plan,
                        std::string* why);
// The same over the journal's text.
JournalRead ParseJournal(const std::string& text, const std::string& work_dir, CommitPlan* plan,
                         std::string* why);

// Where a commit stands on disk. Its moves, in order: the list (when there
// is one) into the aside directory, the old files aside, the new files in.
// Each target name is free before its move and stays taken after it, so
// the names present show how many moves are done; the next one may be half
// done (both names on one file: a move through a link cut short).
struct CommitState {
  bool known = false;  // the disk shows a point the commit passes through
  size_t done = 0;     // moves done
  bool half = false;   // move number `done` half done
};
CommitState Inspect(platform::Env* env, const CommitPlan& plan);

// Whether every new file is whole (where it stands now, by size), so that
// the commit can be finished. False when the state is not known.
bool NewFilesComplete(platform::Env* env, const CommitPlan& plan, const CommitState& state);

// Carries out the moves still to do, old files aside, then new files in,
// the directories flushed between. Throws EngineError at the first failure,
// with the step's reason, and when the state is not known.
void MoveForward(platform::Env* env, const CommitPlan& plan);
// Undoes the moves done, newest first, and removes the aside directory the
// commit made. Stops at the first move that cannot be undone and throws
// EngineError saying where each file is: the disk then stays at a point
// the commit passes through, where a table in place has its own
// description set beside it.
void MoveBack(platform::Env* env, const CommitPlan& plan);

// Marks the commit of a working directory finished: its journal becomes
// the mark, pushed to the disk. From then on the directory holds nothing
// the user needs, the old files in its private directory included. False
// when it failed; the directory must then stay.
bool MarkFinished(platform::Env* env, const std::string& work_dir);

// Removes a working directory whose commit is over (finished, undone or
// never begun): the journal first, so that no half-emptied directory is
// taken for a commit still to do, then its contents, the mark of a
// finished commit and the lock file last. A directory that could not be
// emptied keeps its lock file, so a later recovery finds it again. `lock`
// (the run's handle on it, may be null) is let go just before.
void RemoveWorkDir(platform::Env* env, const std::string& work_dir,
                   std::unique_ptr<platform::File>* lock);

// Where the old and the new files of a plan are now, for a message; when
// the state is not known, which of the plan's names each directory holds.
std::string DescribeWhere(platform::Env* env, const CommitPlan& plan);

}  // namespace engine
