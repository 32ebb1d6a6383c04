// Undo of a kept division: puts the old tables and description files from a
// backup directory ("old" + digits) back into the database directory. The
// files the division made (the rewritten table with its .mdx/.dbt, the new
// description file and its continuation files) are never deleted: they are
// moved into a fresh directory "new" + digits beside them first. A backup
// root of a preset that spans several directories holds one subdirectory
// per database subdirectory; each is restored into its namesake.
//
// Everything is checked before the first file moves: names resolvable, no
// conflicts, no file open elsewhere. Each directory's files are then
// exchanged as a division exchanges them, with a journal in a working
// directory beside them, the tables first aside and last back, every file
// held meanwhile: a failure is undone, and a crash is finished or undone
// by the recovery.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace engine {

struct RestoreMove {
  std::string from, to;  // full paths
};

// One backup directory and the database directory its files came from.
struct RestoreGroup {
  std::string backup_dir;           // with trailing separator
  std::string database_dir;         // with trailing separator
  std::string new_dir;              // "new" + the backup's digits in database_dir, with separator;
                                    // "" if unused
  std::vector<RestoreMove> aside;   // current files -> new_dir, tables first
  std::vector<RestoreMove> back;    // old files -> database_dir, tables last
  std::vector<std::string> tables;  // the tables (.dbf) among them, by name
};

struct RestorePlan {
  std::string backup_dir;  // as resolved, with trailing separator
  std::vector<RestoreGroup> groups;
  // Entries left alone (deeper directories a division never makes).
  std::vector<std::string> ignored;
};

class Restorer {
 public:
  explicit Restorer(platform::Env* env = platform::Env::Default());

  // Finds what to move and checks every step. Raises EngineError with the
  // reason; nothing has moved then.
  RestorePlan Prepare(const std::string& BackupDir);

  // Carries a prepared plan out, group by group: the current files aside,
  // then the old files back. `moved` sees every finished move. Emptied
  // backup directories are removed. Raises EngineError on the first failed
  // step: the group's moves are undone (or left to the recovery, the
  // message says so), earlier groups stay restored. Returns what could not
  // be tidied (a working directory left behind), for the user.
  std::vector<std::string> Restore(const RestorePlan& plan,
                                   const std::function<void(const RestoreMove&)>& moved = nullptr);

 private:
  // digits: those of the backup's name, given to the "new" directory.
  void PrepareGroup(RestoreGroup& g, const std::string& digits);
  std::vector<std::string> RestoreGroupFiles(const RestoreGroup& g,
                                             const std::function<void(const RestoreMove&)>& moved);

  platform::Env* env_;
};

}  // namespace engine
