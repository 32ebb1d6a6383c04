// Unit Divider: one division job. TDivider copies every record that a row of
// a dBASE table points to from the old description file into a new one split
// into files no larger than MaxSize, rewrites each row's address, and then
// exchanges the files: the old ones go to a backup directory (or are
// deleted), the new ones come in from the private working directory. Every
// failure raises EngineError with the message for the user; what is left on
// disk after each failure is described in doc/division.md.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Job.h"
#include "engine/OldSet.h"
#include "engine/ProgressDisplay.h"
#include "platform/Env.h"

namespace engine {

class Verifier;

class TDivider {
 public:
  // env carries every file-system access of the job (the store and the
  // table engine get it too); progress makes the run's progress window
  // (null: none shown).
  explicit TDivider(const TDividerInfo& Info, platform::Env* env = platform::Env::Default(),
                    ProgressDisplayFactory* progress = nullptr);
  ~TDivider();
  TDivider(const TDivider&) = delete;
  TDivider& operator=(const TDivider&) = delete;

  // Runs the job: Prepare, Convert, FlushNewFiles, Commit. OldDir: backup
  // directory to use when KeepOld is set (empty: make a new "old<digits>"
  // beside the table). UsedOldDir receives the backup directory used, with
  // a trailing separator, or "" without KeepOld. When the table or the
  // description file does not exist nothing happens and UsedOldDir keeps
  // its value.
  void Divide(const std::string& OldDir, std::string& UsedOldDir);

  // The size limit recorded in DataFile, in whole MB (nearest, halves up);
  // 0 when there is none or the file cannot be read.
  int32_t GetMaxSize();

  const TDividerInfo& Info() const { return info_; }
  // Whether the last Divide got past the existence test (false: skipped).
  bool Ran() const { return ran_; }
  const DivisionCounts& Counts() const { return counts_; }
  // The list of references the last run could not copy and of marker rows
  // that keep an old address, in the backup directory; "" when there are
  // none. Such a run keeps the old files even without KeepOld.
  const std::string& DroppedList() const { return dropped_list_; }
  // What the run did besides the division, for the user: the repair of an
  // earlier run that was cut short.
  const std::vector<std::string>& Notes() const { return notes_; }
  // What the user should look at although the run succeeded: old files
  // or a working directory it could not delete.
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // How many threads read ahead and compress records stored plain, this
  // one included: 0 (the default) as many as the machine runs at once, at
  // most 4; 1 reads and compresses in the row loop. The new files are the
  // same whatever the number.
  void SetThreads(unsigned threads) { threads_ = threads; }

  // Read-back check of the new files between FlushNewFiles and Commit; on
  // by default. A failure is handled like one of the row loop.
  void SetVerify(bool verify) { verify_ = verify; }
  // The last run's verifier (null without verification), for its timing.
  const Verifier* LastVerifier() const { return verifier_.get(); }

  // What one run derives from the job record: the names on disk (a
  // database copied from Windows may say OPISY.DBF) and its own.
  struct Paths : JobPaths {
    std::string work_dir;   // with trailing separator
    std::string list_name;  // list of references not copied
  };

 private:
  // The phases of Divide, in order. Until Commit nothing in the table's
  // directory changes; between FlushNewFiles and Commit the working
  // directory holds the complete new files, on disk.
  struct Session;
  // Finishes or undoes earlier runs cut short in the table's directory.
  void Repair(const std::string& dir);
  // Everything of Divide after the repair.
  void Run(const std::string& OldDir, std::string& UsedOldDir);
  // Working directory with its lock, copies of the table files.
  void Prepare(Session& s, Paths& p);
  // Opens the working copy and the new store, converts every row, closes
  // them.
  void Convert(Session& s, const Paths& p);
  void RowLoop(Session& s);
  void DropReference(Session& s, const std::string& text, const std::string& reason);
  void ListRow(Session& s, const std::string& text, const std::string& reason);
  // Pushes every new file and the working directory's entries to the disk.
  void FlushNewFiles(const Paths& p);
  void VerifyNewFiles(const Paths& p);
  // The new files take the rights of the old ones they replace.
  void CopyPermissions(const Paths& p);
  // Old files aside, new files in, hold released, working directory gone.
  void Commit(Session& s, const Paths& p, const std::string& OldDir, std::string& UsedOldDir);
  // Removes the working directory after a failure before the commit.
  void Abandon(Session& s, const Paths& p);

  TDividerInfo info_;
  platform::Env* env_;
  ProgressDisplayFactory* progress_;
  bool ran_ = false;
  DivisionCounts counts_;
  bool verify_ = true;
  unsigned threads_ = 0;
  std::unique_ptr<Verifier> verifier_;  // collects checksums during one run
  std::string dropped_list_;
  std::vector<std::string> notes_;
  std::vector<std::string> warnings_;
};

}  // namespace engine
