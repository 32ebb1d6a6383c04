// Finishing or undoing the commits of runs that died, and removing the
// working directories they left.
#include "engine/Recovery.h"

#include <memory>

#include "engine/Commit.h"
#include "engine/Common.h"
#include "engine/EngineError.h"
#include "platform/Path.h"

namespace engine {

namespace {

// Repairs one working directory whose lock is held through `lock`. The
// lock is let go just before the directory is removed: a system that
// refuses to delete an open file would keep the directory otherwise.
void RecoverWorkDir(platform::Env* env, const std::string& work,
                    std::unique_ptr<platform::File> lock, RecoveryReport* report) {
  CommitPlan plan;
  if (!ReadJournal(env, work, &plan)) {
    // Nothing outside the directory was touched: it holds copies only.
    RemoveWorkDir(env, work, &lock);
    if (env->DirectoryExists(work)) {
      report->done.push_back("Nie udało się usunąć katalogu roboczego przerwanego podziału: " +
                             work);
    } else {
      report->done.push_back("Usunięto katalog roboczy przerwanego podziału: " + work);
    }
    return;
  }
  const CommitState state = Inspect(env, plan);
  const bool forward = NewFilesComplete(env, plan, state);
  try {
    if (forward) {
      MoveForward(env, plan);
      (void)env->SyncDirectory(plan.table_dir);
    } else {
      MoveBack(env, plan);
    }
  } catch (const EngineError& e) {
    report->failed.push_back(std::string(forward
                                             ? "Nie udało się dokończyć przerwanego podziału w "
                                             : "Nie udało się wycofać przerwanego podziału w ") +
                             plan.table_dir + ": " + e.what() + "\n" + DescribeWhere(env, plan) +
                             "\nDziennik: " + work + kJournalName);
    return;
  }
  // The private directory of the old files and the rest of the run go
  // together with the working directory, the journal first.
  if (DropJournal(env, work)) RemoveWorkDir(env, work, &lock);
  std::string what =
      forward ? "Dokończono przerwany podział w " + plan.table_dir
              : "Wycofano przerwany podział w " + plan.table_dir + " (stare pliki są na miejscu)";
  if (forward && !plan.private_aside) what += "; stare pliki w " + plan.aside_dir;
  if (env->DirectoryExists(work)) what += "; nie udało się usunąć katalogu " + work;
  report->done.push_back(what);
}

}  // namespace

RecoveryReport RecoverDirectory(platform::Env* env, const std::string& dir) {
  RecoveryReport report;
  const std::string base = IncludeBackslash(dir.empty() ? "." : dir);
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(base, "tmp*.tmp", &entries).ok()) return report;
  for (const auto& e : entries) {
    if (!e.is_directory) continue;
    const std::string work = base + e.name + platform::kPathDelim;
    const std::string lock_path = work + kWorkLockName;
    if (!env->FileExists(lock_path)) {
      // A run that died tidying up may leave its directory empty; an empty
      // one holds nothing to lose.
      (void)env->RemoveDirectory(work);
      continue;
    }
    std::unique_ptr<platform::File> lock;
    platform::Status s = env->OpenFile(lock_path, platform::OpenMode::kReadWriteExclusive, &lock);
    if (s.IsBusy()) continue;  // a run in progress
    if (!s.ok()) {
      report.failed.push_back("Nie udało się otworzyć blokady katalogu roboczego " + work + ": " +
                              s.message());
      continue;
    }
    RecoverWorkDir(env, work, std::move(lock), &report);
  }
  return report;
}

RecoveryReport RecoverDatabase(platform::Env* env, const std::string& dir) {
  RecoveryReport report = RecoverDirectory(env, dir);
  const std::string base = IncludeBackslash(dir.empty() ? "." : dir);
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(base, "*", &entries).ok()) return report;
  for (const auto& e : entries) {
    if (!e.is_directory || platform::MatchPattern("tmp*.tmp", e.name)) continue;
    RecoveryReport sub = RecoverDirectory(env, base + e.name);
    report.done.insert(report.done.end(), sub.done.begin(), sub.done.end());
    report.failed.insert(report.failed.end(), sub.failed.begin(), sub.failed.end());
  }
  return report;
}

}  // namespace engine
