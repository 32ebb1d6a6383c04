// Finishing or undoing the exchanges of runs that died, and removing the
// working directories they left.
#include "engine/Recovery.h"

#include <algorithm>
#include <memory>

#include "engine/Common.h"
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

bool Young(platform::Env* env, const std::string& path) {
  int64_t age = 0;
  return env->ModifiedAge(path, &age).ok() && age < kFreshSeconds;
}

bool Listed(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return platform::SameNameIgnoringCase(n, name); });
}

TableAt WhereIsTheTable(platform::Env* env, const CommitPlan& plan, const std::string& name) {
  const std::string in = plan.table_dir + name, aside = plan.aside_dir + name,
                    src = plan.from_dir + name;
  const bool t = env->FileExists(in), w = env->FileExists(src);
  if (!t) return TableAt::kNone;
  if (!Listed(plan.old_files, name)) {
    // A table new to the directory: in place once its source name is gone
    // or is a second name of the file in place.
    return !w || env->SameFile(in, src) ? TableAt::kNewInPlace : TableAt::kUnknown;
  }
  const bool a = env->FileExists(aside);
  // A name of the same file besides the one in place is a link of a move
  // cut short.
  if (w && !env->SameFile(in, src) && (!a || env->SameFile(in, aside))) {
    return TableAt::kOldInPlace;
  }
  if (a && !env->SameFile(in, aside) && (!w || env->SameFile(in, src))) {
    return TableAt::kNewInPlace;
  }
  // The private directory gone with both names: the new table came in
  // (its source name went with the move) and the old files went on into a
  // backup directory when the directory's flush failed. Anywhere else
  // both names gone means somebody moved files by hand: nothing is known.
  if (!a && !w && plan.private_aside && !env->DirectoryExists(plan.aside_dir)) {
    return TableAt::kNewInPlace;
  }
  return TableAt::kUnknown;
}

// No table came aside whole: the old set is whole and in place. The new set
// goes with the working directory; what the exchange had put in the aside
// directory goes too.
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
  // No old file goes aside before the tables: one in the private directory
  // would be the only copy.
  if (plan.private_aside && !Empty(env, plan.aside_dir)) {
    *error = "W katalogu " + plan.aside_dir + " są pliki: " + NamesIn(env, plan.aside_dir) + ".";
    return false;
  }
  if (plan.created_aside && !plan.private_aside) (void)env->RemoveDirectory(plan.aside_dir);
  return true;
}

// Every new table is in place, so every new file is: the exchange is done
// but for the second names of moves cut short. Nothing of it may be left
// only where it came from.
bool FinishInPlace(platform::Env* env, const CommitPlan& plan, std::string* error) {
  std::vector<std::pair<std::string, std::string>> moves;  // source, its target
  if (!plan.list_name.empty()) {
    moves.push_back({plan.work_dir + plan.list_name, plan.aside_dir + plan.list_name});
  }
  for (const auto& f : plan.new_files) {
    moves.push_back({plan.from_dir + f.name, plan.table_dir + f.name});
  }
  for (const auto& [from, target] : moves) {
    if (!env->FileExists(from)) continue;
    if (!env->SameFile(from, target)) {
      *error = "Plik " + from + " nie został przeniesiony.";
      return false;
    }
    platform::Status s = env->DeleteFile(from);
    if (!s.ok()) {
      *error = s.message();
      return false;
    }
  }
  return true;
}

// Repairs one working directory whose lock is held through `lock`. The
// lock is let go just before the directory is removed: a system that
// refuses to delete an open file would keep the directory otherwise.
void RecoverWorkDir(platform::Env* env, const std::string& work,
                    std::unique_ptr<platform::File> lock, bool dry, RecoveryReport* report) {
  report->dirs.push_back({work, WorkDirAction::kLeave, {}});
  WorkDirRecovery& item = report->dirs.back();
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
    // How far the exchange got cannot be known: the old files may be in
    // the working directory alone.
    report->failed.push_back("Nie udało się odczytać dziennika przerwanego podziału " + work +
                             kJournalName + " (" + why + "); niczego nie zmieniono.\n" + in_work() +
                             "\nStare pliki mogą być też w katalogu kopii (old…) w " +
                             FolderOf(work.substr(0, work.size() - 1)) + ".");
    return;
  }
  if (journal != JournalRead::kRead) {
    // The exchange never began, or was finished: the directory holds
    // copies only, or old files the user chose to delete once the new
    // names were on the disk.
    if (!env->FileExists(work + kFinishedName) && !Empty(env, aside)) {
      report->failed.push_back("Katalog roboczy przerwanego podziału " + work +
                               " nie ma pełnego dziennika, a są w nim stare pliki; niczego nie "
                               "zmieniono.\n" +
                               in_work());
      return;
    }
    item.action = WorkDirAction::kRemove;
    if (dry) {
      report->done.push_back("Zostanie usunięty katalog roboczy przerwanego podziału: " + work +
                             " (" + NamesIn(env, work) + ")");
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

  std::vector<TableAt> tables;
  for (const std::string& t : plan.tables) tables.push_back(WhereIsTheTable(env, plan, t));
  RecoveryAction action = Decide(tables);
  if (action == RecoveryAction::kComplete) {
    action = NewFilesComplete(env, plan, Inspect(env, plan)) ? RecoveryAction::kFinish
                                                             : RecoveryAction::kUndo;
  }
  std::string error;
  bool ok = false;
  const bool finished =
      action == RecoveryAction::kFinish || action == RecoveryAction::kFinishInPlace;
  // A restore's journal names where its files came from.
  const bool restore = plan.from_dir != plan.work_dir;
  if (action != RecoveryAction::kComplete && action != RecoveryAction::kLeave) {
    item.action = finished ? WorkDirAction::kFinish : WorkDirAction::kUndo;
    if (action == RecoveryAction::kFinish || action == RecoveryAction::kUndo) {
      item.moves = PendingMoves(env, plan, action == RecoveryAction::kFinish);
    }
  }
  if (dry) {
    const std::string what = restore ? "przerwane przywracanie w " : "przerwany podział w ";
    if (action == RecoveryAction::kComplete || action == RecoveryAction::kLeave) {
      report->failed.push_back("Nie da się naprawić: " + what + plan.table_dir +
                               ": nie wiadomo, czy tabele są stare, czy nowe; nic nie zostanie "
                               "zmienione.\n" +
                               DescribeWhere(env, plan) + "\nDziennik: " + work + kJournalName);
      return;
    }
    std::string text = restore ? (finished ? "Zostanie dokończone " : "Zostanie wycofane ")
                               : (finished ? "Zostanie dokończony " : "Zostanie wycofany ");
    text += what + plan.table_dir + " (katalog roboczy " + work + ")";
    if (action == RecoveryAction::kDropNew)
      text += "; nowe pliki zostaną usunięte z katalogiem roboczym";
    for (const FileMove& m : item.moves) text += "\n  przeniosę: " + m.from + " -> " + m.to;
    report->done.push_back(text);
    return;
  }
  try {
    switch (action) {
      case RecoveryAction::kDropNew:
        ok = DropNewSet(env, plan, &error);
        break;
      case RecoveryAction::kFinishInPlace:
        ok = FinishInPlace(env, plan, &error);
        break;
      case RecoveryAction::kFinish:
        MoveForward(env, plan);
        ok = true;
        break;
      case RecoveryAction::kUndo:
        MoveBack(env, plan);
        ok = true;
        break;
      case RecoveryAction::kComplete:
      case RecoveryAction::kLeave:
        error = "nie wiadomo, czy tabele w " + plan.table_dir + " są stare, czy nowe.";
        break;
    }
  } catch (const EngineError& e) {
    error = e.what();
  }
  if (!ok) {
    item.action = WorkDirAction::kLeave;
    item.moves.clear();
    report->failed.push_back(std::string(restore
                                             ? "Nie udało się naprawić przerwanego przywracania w "
                                             : "Nie udało się naprawić przerwanego podziału w ") +
                             plan.table_dir + ": " + error + "\n" + DescribeWhere(env, plan) +
                             "\nDziennik: " + work + kJournalName);
    return;
  }
  std::string what = restore ? (finished ? "Dokończono przerwane przywracanie w " + plan.table_dir
                                         : "Wycofano przerwane przywracanie w " + plan.table_dir +
                                               " (pliki po podziale są na miejscu)")
                     : finished ? "Dokończono przerwany podział w " + plan.table_dir
                                : "Wycofano przerwany podział w " + plan.table_dir +
                                      " (stare pliki są na miejscu)";
  if (finished) {
    // The old files of the private directory go only once the new names
    // are on the disk, as at the end of a division.
    try {
      (void)CompleteCommit(env, plan, &lock);
    } catch (const EngineError& e) {
      report->failed.push_back(what + ", ale: " + e.what());
      return;
    }
    if (!plan.private_aside) {
      what += (restore ? "; pliki po podziale w " : "; stare pliki w ") + plan.aside_dir;
    }
  } else {
    RemoveWorkDir(env, work, &lock);
  }
  if (env->DirectoryExists(work)) what += "; nie udało się usunąć katalogu " + work;
  report->done.push_back(what);
}

// Takes the lock of a working directory that belongs to no live run, or
// says why not (null).
std::unique_ptr<platform::File> LockAbandoned(platform::Env* env, const std::string& work,
                                              RecoveryReport* report) {
  const std::string lock_path = work + kWorkLockName;
  std::unique_ptr<platform::File> lock;
  platform::Status s = env->OpenFile(lock_path, platform::OpenMode::kReadWriteExclusive, &lock);
  if (s.IsBusy()) {
    report->running.push_back(work);
    report->dirs.push_back({work, WorkDirAction::kRunning, {}});
    return nullptr;
  }
  if (!s.ok()) {
    if (!s.IsNotFound()) {
      report->failed.push_back("Nie udało się otworzyć blokady katalogu roboczego " + work + ": " +
                               s.message());
    }
    return nullptr;
  }
  // Another recovery may have removed the file meanwhile and a new run
  // made one of that name: only the file still at the path counts.
  if (!lock->IsAt(lock_path)) return nullptr;
  // A run marks its lock file once it holds it. One not marked yet may be
  // a run between making the file and locking it.
  uint64_t size = 0;
  if (lock->Size(&size).ok() && size == 0 && Young(env, lock_path)) {
    report->running.push_back(work);
    report->dirs.push_back({work, WorkDirAction::kRunning, {}});
    return nullptr;
  }
  return lock;
}

}  // namespace

RecoveryAction Decide(const std::vector<TableAt>& tables) {
  size_t old_in = 0, new_in = 0, none = 0;
  for (TableAt t : tables) {
    if (t == TableAt::kUnknown) return RecoveryAction::kLeave;
    old_in += t == TableAt::kOldInPlace;
    new_in += t == TableAt::kNewInPlace;
    none += t == TableAt::kNone;
  }
  if (tables.empty() || (old_in > 0 && new_in > 0)) return RecoveryAction::kLeave;
  if (old_in == tables.size()) return RecoveryAction::kDropNew;
  if (new_in == tables.size()) return RecoveryAction::kFinishInPlace;
  if (old_in > 0) return RecoveryAction::kUndo;
  if (new_in > 0) return RecoveryAction::kFinish;
  return RecoveryAction::kComplete;
}

RecoveryReport RecoverDirectory(platform::Env* env, const std::string& dir, bool dry_run) {
  RecoveryReport report;
  const std::string base = IncludeBackslash(dir.empty() ? "." : dir);
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(base, "tmp*.tmp", &entries).ok()) return report;
  for (const auto& e : entries) {
    if (!e.is_directory || env->IsLink(base + e.name)) continue;
    const std::string work = base + e.name + platform::kPathDelim;
    if (!env->FileExists(work + kWorkLockName)) {
      // A run that died tidying up may leave its directory empty; an empty
      // one holds nothing to lose, unless it is a run's that is starting.
      if (!dry_run && !Young(env, base + e.name)) (void)env->RemoveDirectory(work);
      continue;
    }
    std::unique_ptr<platform::File> lock = LockAbandoned(env, work, &report);
    if (lock) RecoverWorkDir(env, work, std::move(lock), dry_run, &report);
  }
  return report;
}

RecoveryReport RecoverDatabase(platform::Env* env, const std::string& dir, bool dry_run) {
  RecoveryReport report = RecoverDirectory(env, dir, dry_run);
  const std::string base = IncludeBackslash(dir.empty() ? "." : dir);
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(base, "*", &entries).ok()) return report;
  for (const auto& e : entries) {
    if (!e.is_directory || platform::MatchPattern("tmp*.tmp", e.name)) continue;
    RecoveryReport sub = RecoverDirectory(env, base + e.name, dry_run);
    report.done.insert(report.done.end(), sub.done.begin(), sub.done.end());
    report.failed.insert(report.failed.end(), sub.failed.begin(), sub.failed.end());
    report.running.insert(report.running.end(), sub.running.begin(), sub.running.end());
    report.dirs.insert(report.dirs.end(), sub.dirs.begin(), sub.dirs.end());
  }
  return report;
}

bool TableBeingDivided(platform::Env* env, const std::string& dir, const std::string& table_name) {
  const std::string base = IncludeBackslash(dir.empty() ? "." : dir);
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(base, "tmp*.tmp", &entries).ok()) return false;
  for (const auto& e : entries) {
    if (!e.is_directory) continue;
    const std::string work = base + e.name + platform::kPathDelim;
    // Shared and read-only, which the dry run allows: a live run holds its
    // lock exclusively, so even that is refused.
    std::unique_ptr<platform::File> lock;
    if (!env->OpenFile(work + kWorkLockName, platform::OpenMode::kReadOnlyShared, &lock).IsBusy()) {
      continue;
    }
    if (env->FileExists(work + table_name)) return true;
    for (const char* name : {kJournalName, kFinishedName}) {
      CommitPlan plan;
      std::string why;
      if (ReadJournal(env, work, &plan, &why, name) == JournalRead::kRead &&
          Listed(plan.tables, table_name)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace engine
