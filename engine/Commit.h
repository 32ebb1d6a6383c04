// The exchange of files that ends a division and a restore, made so that it
// can always be finished or undone. The old files go aside (into a backup
// directory, into a private directory inside the working directory that is
// deleted at the very end, or for a restore into a "new" directory), then
// the new files come in (from the working directory, or for a restore from
// the backup directory): the tables are the first old files to go and the
// last new files to come, so a table in place always has its own
// description set beside it. Before the first move the plan is written to a
// journal in the working directory, so that an exchange cut short by a
// crash is finished or rolled back by the recovery.
//
// Every move is a rename that never replaces. What has been done is read
// back from the disk, never remembered: a move is done when its source name
// is gone and its target there; both names on one file mean a move made
// through a link that was cut short.
#pragma once

#include <cstdint>
#include <functional>
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
// What a run writes into its lock file once it holds it: a lock file
// without it may be one its run has not locked yet.
inline constexpr char kLockMark[] = "podzial\n";
// The list of references a run could not copy, kept beside the old files:
// prefix + table file name + suffix. Restore leaves such files where they
// are.
inline constexpr char kDroppedListPrefix[] = "nieskopiowane-";
inline constexpr char kDroppedListSuffix[] = ".txt";

struct CommitPlan {
  std::string table_dir;               // with separator
  std::string work_dir;                // with separator: the journal and the lock
  std::string from_dir;                // with separator: where the new files are
  std::string aside_dir;               // with separator: where the old files go
  bool private_aside = false;          // aside_dir is the working directory's own
  bool created_aside = false;          // the exchange made aside_dir; undo removes it
  std::string list_name;               // a list moved from work_dir to aside_dir first; "" none
  std::vector<std::string> tables;     // the tables among the old and new files
  std::vector<std::string> old_files;  // names in table_dir, in move order, tables first
  struct NewFile {
    std::string name;  // in from_dir
    uint64_t size = 0;
  };
  std::vector<NewFile> new_files;  // in move order, tables last
};

// Makes a working directory "tmp" + digits + ".tmp" in `dir` and takes its
// lock for the caller's life: the directory only under a name that was
// free, the lock file locked and found still at its path, then marked, so
// that no recovery ever takes a live run's directory. Returns the
// directory with separator. Throws EngineError.
std::string MakeWorkDir(platform::Env* env, const std::string& dir,
                        std::unique_ptr<platform::File>* lock);

// The private aside directory of a working directory.
std::string PrivateAsideDir(const std::string& work_dir);

// Writes the plan to the journal in its working directory and pushes it to
// the disk. Every directory is written relative to the table's directory,
// so that a database copied elsewhere is recovered where it is. Throws
// EngineError, also for a directory outside the database (the table's
// directory and, for a preset's backup root, its parent).
void WriteJournal(platform::Env* env, const CommitPlan& plan);

// What a working directory's journal says.
enum class JournalRead {
  kNone,        // there is none: the exchange never began
  kCutShort,    // the run died writing it: the exchange never began
  kRead,        // the plan, whole
  kUnreadable,  // there, but not readable as written, or naming places
                // outside the database: touch nothing
};
// Reads the journal of a working directory (a path with separator). Line
// ends of either system and blank lines are taken as they come; `why`
// receives the reason of kUnreadable. A directory it names that is a link
// is refused.
JournalRead ReadJournal(platform::Env* env, const std::string& work_dir, CommitPlan* plan,
                        std::string* why, const std::string& name = kJournalName);
// The same over the journal's text, without looking at the disk.
JournalRead ParseJournal(const std::string& text, const std::string& work_dir, CommitPlan* plan,
                         std::string* why);

// Where an exchange stands on disk. Its moves, in order: the list (when
// there is one) into the aside directory, the old files aside, the new
// files in. Each target name is free before its move and stays taken after
// it, so the names present show how many moves are done; the next one may
// be half done (both names on one file: a move through a link cut short).
struct CommitState {
  bool known = false;  // the disk shows a point the exchange passes through
  size_t done = 0;     // moves done
  bool half = false;   // move number `done` half done
};
CommitState Inspect(platform::Env* env, const CommitPlan& plan);

// Whether every new file is whole (where it stands now, by size), so that
// the exchange can be finished. False when the state is not known.
bool NewFilesComplete(platform::Env* env, const CommitPlan& plan, const CommitState& state);

// The moves MoveForward would make from where the exchange stands, or
// (forward false) those MoveBack would make, in their order; none when the
// state is not known. For a dry run: nothing is touched.
struct FileMove {
  std::string from, to;
};
std::vector<FileMove> PendingMoves(platform::Env* env, const CommitPlan& plan, bool forward);

// Carries out the moves still to do, old files aside, then new files in,
// the directories flushed between. `moved` sees every move made. Throws
// EngineError at the first failure, with the step's reason and path, and
// when the state is not known.
void MoveForward(
    platform::Env* env, const CommitPlan& plan,
    const std::function<void(const std::string& from, const std::string& to)>& moved = nullptr);
// Undoes the moves done, newest first, and removes the aside directory the
// exchange made. Stops at the first move that cannot be undone and throws
// EngineError saying where each file is: the disk then stays at a point
// the exchange passes through, where a table in place has its own
// description set beside it.
void MoveBack(platform::Env* env, const CommitPlan& plan);

// Ends an exchange whose moves are all made: the table directory's new
// entries pushed to the disk, the journal marked finished, the working
// directory removed (with the old files of its private directory). The old
// files are deleted only after that flush succeeded: when it fails, they
// stay, the private directory becoming a backup directory "old" + digits
// beside the table, and EngineError says that the new files are in place
// and where the old ones are. `lock` (the run's handle on the working
// directory's lock, may be null) is let go just before the removal.
// Returns what could not be tidied (a working directory that stays), for
// the user.
std::vector<std::string> CompleteCommit(platform::Env* env, const CommitPlan& plan,
                                        std::unique_ptr<platform::File>* lock);

// Marks the exchange of a working directory finished: its journal becomes
// the mark, pushed to the disk. From then on the directory holds nothing
// the user needs, the old files in its private directory included. False
// when it failed; the directory must then stay.
bool MarkFinished(platform::Env* env, const std::string& work_dir);

// Removes a working directory whose exchange is over (finished, undone or
// never begun): the journal first, so that no half-emptied directory is
// taken for an exchange still to do, then its contents, the mark of a
// finished exchange and the lock file last. A directory that could not be
// emptied keeps its lock file, so a later recovery finds it again. `lock`
// (the run's handle on it, may be null) is let go just before.
void RemoveWorkDir(platform::Env* env, const std::string& work_dir,
                   std::unique_ptr<platform::File>* lock);

// Where the old and the new files of a plan are now, for a message; when
// the state is not known, which of the plan's names each directory holds.
std::string DescribeWhere(platform::Env* env, const CommitPlan& plan);

}  // namespace engine
