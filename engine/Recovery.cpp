// Finishing or undoing the commits of runs that died, and removing the
// working directories they left.
#include "engine/Recovery.h"

#include <memory>

#include "engine/Commit.h"
#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "platform/Path.h"

namespace engine {

namespace {

// The names directly in `dir`, for a message.
std::string NamesIn(platform::Env* env, const std::string& dir) {
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(dir, "*", &entries).ok()) return "(nie udało się odczytać)";
  std::string out;
  for (const auto& e : entries) {
    if (e.name != kWorkLockName) out += (out.empty() ? "" : ", ") + e.name;
  }
  return out.empty() ? "brak plików" : out;
}

bool Empty(platform::Env* env, const std::string& dir) {
  std::vector<platform::DirEntry> entries;
  return !env->DirectoryExists(dir) ||
         (env->ListDirectory(dir, "*", &entries).ok() && entries.empty());
}

// How far a commit got, as the table's .dbf shows it: it is the first file
// to go aside and the last to come in. Once a run has died the files in
// place are no longer held: whichever set has its .dbf in place may have
// been worked on since, and it stays.
enum class TableAt { kOldInPlace, kNewInPlace, kNone, kUnknown };

TableAt WhereIsTheTable(platform::Env* env, const CommitPlan& plan) {
  const std::string& name = plan.old_files.front();
  const std::string in = plan.table_dir + name, aside = plan.aside_dir + name,
                    work = plan.work_dir + plan.new_files.back().name;
  const bool t = env->FileExists(in), a = env->FileExists(aside), w = env->FileExists(work);
  if (!t) return TableAt::kNone;
  // A name of the same file besides the one in place is a link of a move
  // cut short.
  if (w && !env->SameFile(in, work) && (!a || env->SameFile(in, aside))) {
    return TableAt::kOldInPlace;
  }
  if (a && !env->SameFile(in, aside) && (!w || env->SameFile(in, work))) {
    return TableAt::kNewInPlace;
  }
  return TableAt::kUnknown;
}

// The commit had not moved the old table aside: the old set is whole and
// in place. The new set goes with the working directory; what the commit
// had put in the aside directory goes too.
bool DropNewSet(platform::Env* env, const CommitPlan& plan, std::string* error) {
  std::vector<std::string> aside_names = {plan.old_files.front()};
  if (!plan.list_name.empty()) aside_names.push_back(plan.list_name);
  for (const std::string& n : aside_names) {
    const std::string aside = plan.aside_dir + n;
    const std::string source = (n == plan.list_name ? plan.work_dir : plan.table_dir) + n;
    if (!env->FileExists(aside)) continue;
    // Only a second name of a file still in its place, or the run's own
    // list, may go.
    if (n == plan.list_name ? env->FileExists(source) && !env->SameFile(source, aside)
                            : !env->SameFile(source, aside)) {
      *error = "W katalogu " + plan.aside_dir + " jest plik " + n + ".";
      return false;
    }
    platform::Status s = env->DeleteFile(aside);
    if (!s.ok()) {
      *error = s.message();
      return false;
    }
  }
  // No old file goes aside before the table: one in the private directory
  // would be the only copy.
  if (plan.private_aside && !Empty(env, plan.aside_dir)) {
    *error = "W katalogu " + plan.aside_dir + " są pliki: " + NamesIn(env, plan.aside_dir) + ".";
    return false;
  }
  if (plan.created_aside && !plan.private_aside) (void)env->RemoveDirectory(plan.aside_dir);
  return true;
}

// The new table is in place, so its whole set is: the commit is done but
// for the second names of moves cut short. Nothing of it may be left only
// in the working directory, which goes next.
bool FinishInPlace(platform::Env* env, const CommitPlan& plan, std::string* error) {
  std::vector<std::pair<std::string, std::string>> moves;  // work name, its target
  if (!plan.list_name.empty()) {
    moves.push_back({plan.work_dir + plan.list_name, plan.aside_dir + plan.list_name});
  }
  for (const auto& f : plan.new_files) {
    moves.push_back({plan.work_dir + f.name, plan.table_dir + f.name});
  }
  for (const auto& [work, target] : moves) {
    if (!env->FileExists(work)) continue;
    if (!env->SameFile(work, target)) {
      *error = "Plik " + work + " nie został przeniesiony.";
      return false;
    }
    platform::Status s = env->DeleteFile(work);
    if (!s.ok()) {
      *error = s.message();
      return false;
    }
  }
  (void)env->SyncDirectory(plan.table_dir);
  return true;
}

// Repairs one working directory whose lock is held through `lock`. The
// lock is let go just before the directory is removed: a system that
// refuses to delete an open file would keep the directory otherwise.
void RecoverWorkDir(platform::Env* env, const std::string& work,
                    std::unique_ptr<platform::File> lock, RecoveryReport* report) {
  CommitPlan plan;
  std::string why;
  const JournalRead journal = ReadJournal(env, work, &plan, &why);
  const std::string aside = PrivateAsideDir(work);
  auto in_work = [&] {
    return "W katalogu " + work + ": " + NamesIn(env, work) + "." +
           (Empty(env, aside) ? std::string()
                              : "\nStare pliki w " + aside + ": " + NamesIn(env, aside) + ".");
  };
  if (journal == JournalRead::kUnreadable) {
    // How far the commit got cannot be known: the old files may be in the
    // working directory alone.
    report->failed.push_back("Nie udało się odczytać dziennika przerwanego podziału " + work +
                             kJournalName + " (" + why + "); niczego nie zmieniono.\n" + in_work() +
                             "\nStare pliki mogą być też w katalogu kopii (old…) w " +
                             FolderOf(work.substr(0, work.size() - 1)) + ".");
    return;
  }
  if (journal != JournalRead::kRead) {
    // The commit never began, or was finished: the directory holds copies
    // only, or old files the user chose to delete.
    if (!env->FileExists(work + kFinishedName) && !Empty(env, aside)) {
      report->failed.push_back("Katalog roboczy przerwanego podziału " + work +
                               " nie ma pełnego dziennika, a są w nim stare pliki; niczego nie "
                               "zmieniono.\n" +
                               in_work());
      return;
    }
    RemoveWorkDir(env, work, &lock);
    if (env->DirectoryExists(work)) {
      report->done.push_back("Nie udało się usunąć katalogu roboczego przerwanego podziału: " +
                             work);
    } else {
      report->done.push_back("Usunięto katalog roboczy przerwanego podziału: " + work);
    }
    return;
  }

  std::string error;
  bool ok = false, finished = false;
  switch (WhereIsTheTable(env, plan)) {
    case TableAt::kOldInPlace:
      ok = DropNewSet(env, plan, &error);
      break;
    case TableAt::kNewInPlace:
      ok = FinishInPlace(env, plan, &error);
      finished = true;
      break;
    case TableAt::kNone:
      // No table in place: nobody could work on either set since.
      finished = NewFilesComplete(env, plan, Inspect(env, plan));
      try {
        if (finished) {
          MoveForward(env, plan);
          (void)env->SyncDirectory(plan.table_dir);
        } else {
          MoveBack(env, plan);
        }
        ok = true;
      } catch (const EngineError& e) {
        error = e.what();
      }
      break;
    case TableAt::kUnknown:
      error = "nie wiadomo, czy " + plan.table_dir + plan.old_files.front() +
              " to stara, czy nowa tabela.";
      break;
  }
  if (!ok) {
    report->failed.push_back("Nie udało się naprawić przerwanego podziału w " + plan.table_dir +
                             ": " + error + "\n" + DescribeWhere(env, plan) +
                             "\nDziennik: " + work + kJournalName);
    return;
  }
  // The private directory of the old files and the rest of the run go
  // with the working directory; a finished commit is marked so first.
  if (!finished || MarkFinished(env, work)) RemoveWorkDir(env, work, &lock);
  std::string what =
      finished ? "Dokończono przerwany podział w " + plan.table_dir
               : "Wycofano przerwany podział w " + plan.table_dir + " (stare pliki są na miejscu)";
  if (finished && !plan.private_aside) what += "; stare pliki w " + plan.aside_dir;
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
