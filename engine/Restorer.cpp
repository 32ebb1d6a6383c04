// Undo of a kept division: checks, then renames, then reports where each
// file is if a rename fails.
#include "engine/Restorer.h"

#include <algorithm>
#include <memory>
#include <set>

#include "engine/BackupInfo.h"
#include "engine/Commit.h"
#include "engine/Common.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "platform/Path.h"

namespace engine {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A backup directory made by a division is "old" followed by digits; a
// restore from any other directory could move unrelated files around.
bool IsBackupName(const std::string& name) {
  std::string l = Lower(name);
  return l.size() > 3 && l.compare(0, 3, "old") == 0 && AllDigits(l.substr(3));
}

std::string StripSeparator(std::string s) {
  while (s.size() > 1 && platform::IsPathDelim(s.back())) s.pop_back();
  return s;
}

// Name stem and extension (without the dot), both lower case.
std::string StemOf(const std::string& name) {
  size_t dot = name.rfind('.');
  return Lower(dot == std::string::npos ? name : name.substr(0, dot));
}
std::string ExtOf(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : Lower(name.substr(dot + 1));
}

// A file another program has open cannot be restored over, nor put aside.
void CheckNotInUse(platform::Env* env, const std::string& path) {
  std::unique_ptr<platform::File> f;
  platform::Status s = env->OpenFile(path, platform::OpenMode::kReadWriteExclusive, &f);
  if (s.IsBusy()) throw EngineError("Plik jest używany przez inny program: " + path);
  if (!s.ok()) {
    throw EngineError("Nie udało się otworzyć pliku: " + path + " (" + s.message() + ")");
  }
  f->Close();
}

}  // namespace

namespace {

// The list of references a division could not copy stays with the old
// files it explains: it was never in the database directory. So does the
// backup's description.
bool StaysInBackup(const std::string& name) {
  if (platform::SameNameIgnoringCase(name, kBackupInfoName)) return true;
  const std::string prefix = kDroppedListPrefix, suffix = kDroppedListSuffix;
  return name.size() > prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0 &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

Restorer::Restorer(platform::Env* env) : env_(env) {}

RestorePlan Restorer::Prepare(const std::string& BackupDir) {
  if (BackupDir.empty()) throw EngineError("Nie podano katalogu kopii");
  const std::string root = StripSeparator(env_->ResolvePath(StripSeparator(BackupDir)));
  if (!env_->DirectoryExists(root))
    throw EngineError("Nie znaleziono katalogu kopii: " + BackupDir);
  if (!IsBackupName(platform::ExtractFileName(root))) {
    throw EngineError("To nie jest katalog kopii podziału (nazwa \"old\" i cyfry): " + BackupDir);
  }
  std::string parent = platform::ExtractFilePath(root);
  if (parent.empty()) parent = std::string(".") + platform::kPathDelim;

  RestorePlan plan;
  plan.backup_dir = IncludeBackslash(root);
  std::vector<platform::DirEntry> entries;
  if (!env_->ListDirectory(plan.backup_dir, "*", &entries).ok()) {
    throw EngineError("Nie udało się odczytać katalogu: " + plan.backup_dir);
  }
  // The backup's own files came from its parent; each subdirectory (the
  // backup root of a preset over several directories) from the parent's
  // subdirectory of the same name.
  bool has_files = false;
  std::vector<std::string> subdirs;
  for (const auto& e : entries) {
    if (e.is_directory) {
      subdirs.push_back(e.name);
    } else if (!StaysInBackup(e.name)) {
      has_files = true;
    }
  }
  if (has_files) plan.groups.push_back({plan.backup_dir, parent, "", {}, {}, {}});
  std::sort(subdirs.begin(), subdirs.end());
  for (const std::string& sub : subdirs) {
    RestoreGroup g;
    g.backup_dir = plan.backup_dir + sub + platform::kPathDelim;
    std::vector<platform::DirEntry> inner;
    if (!env_->ListDirectory(g.backup_dir, "*", &inner).ok()) {
      throw EngineError("Nie udało się odczytać katalogu: " + g.backup_dir);
    }
    bool files = false;
    for (const auto& e : inner) {
      if (e.is_directory) {
        plan.ignored.push_back(g.backup_dir + e.name);
      } else if (!StaysInBackup(e.name)) {
        files = true;
      }
    }
    // A directory holding only its lists was restored already (a restore
    // of several directories cut short is run again).
    if (!files) continue;
    g.database_dir = IncludeBackslash(env_->ResolvePath(parent + sub));
    plan.groups.push_back(std::move(g));
  }
  if (plan.groups.empty()) {
    throw EngineError("Katalog kopii nie zawiera plików do przywrócenia: " + BackupDir);
  }
  const std::string digits = platform::ExtractFileName(root).substr(3);
  for (RestoreGroup& g : plan.groups) PrepareGroup(g, digits);
  return plan;
}

void Restorer::PrepareGroup(RestoreGroup& g, const std::string& digits) {
  if (!env_->DirectoryExists(g.database_dir)) {
    throw EngineError("Brak katalogu bazy danych: " + g.database_dir);
  }
  // A division or restore in progress here, or one cut short: its files
  // are not where a restore would look for them.
  std::vector<platform::DirEntry> work;
  if (env_->ListDirectory(g.database_dir, "tmp*.tmp", &work).ok()) {
    for (const auto& e : work) {
      if (!e.is_directory) continue;
      throw EngineError("W katalogu " + g.database_dir + " jest katalog roboczy " + e.name +
                        " trwającego albo przerwanego podziału lub przywracania. Jeśli żaden "
                        "nie trwa, najpierw: podzial-cli recover " +
                        g.database_dir);
    }
  }
  std::vector<platform::DirEntry> old_entries, current;
  if (!env_->ListDirectory(g.backup_dir, "*", &old_entries).ok()) {
    throw EngineError("Nie udało się odczytać katalogu: " + g.backup_dir);
  }
  if (!env_->ListDirectory(g.database_dir, "*", &current).ok()) {
    throw EngineError("Nie udało się odczytać katalogu: " + g.database_dir);
  }

  std::set<std::string> old_names;    // lower case
  std::set<std::string> data_stems;   // stems of description files
  std::set<std::string> table_stems;  // stems of .dbf tables
  for (const auto& e : old_entries) {
    if (e.is_directory || StaysInBackup(e.name)) continue;
    old_names.insert(Lower(e.name));
    g.back.push_back({g.backup_dir + e.name, g.database_dir + e.name});
    if (ExtOf(e.name) == "dbf") table_stems.insert(StemOf(e.name));
    // A description file is known by its tag, whatever its extension.
    std::unique_ptr<platform::File> f;
    uint8_t tag[4] = {0, 0, 0, 0};
    size_t got = 0;
    if (env_->OpenFile(g.backup_dir + e.name, platform::OpenMode::kReadOnlyShared, &f).ok() &&
        f->ReadAt(0, tag, sizeof tag, &got).ok() && got == sizeof tag && tag[0] == 'R' &&
        tag[1] == 'A' && tag[2] == 'S' && (tag[3] == '0' || tag[3] == '1')) {
      data_stems.insert(StemOf(e.name));
    }
  }

  for (const auto& e : current) {
    const std::string l = Lower(e.name);
    const std::string stem = StemOf(e.name), ext = ExtOf(e.name);
    bool aside = old_names.count(l) > 0;
    // Continuation files of the new description file, also beyond the
    // numbers the old one had.
    if (data_stems.count(stem) && ext.size() == 3 && AllDigits(ext)) aside = true;
    if (table_stems.count(stem) && (ext == "mdx" || ext == "dbt")) aside = true;
    if (!aside) continue;
    if (e.is_directory) {
      throw EngineError("Nazwa pliku do przywrócenia jest zajęta przez katalog: " + g.database_dir +
                        e.name);
    }
    g.aside.push_back({g.database_dir + e.name, ""});
  }

  // The tables go aside first and come back last, as in a division: a
  // table in place always has its own description set beside it.
  for (const auto& m : g.back) {
    const std::string name = platform::ExtractFileName(m.to);
    if (ExtOf(name) == "dbf") g.tables.push_back(name);
  }
  if (g.tables.empty()) {
    throw EngineError("Katalog kopii nie zawiera tabeli (.dbf): " + g.backup_dir);
  }
  // A division keeps a table with its description file: tables alone
  // brought back would point into the divided files.
  if (data_stems.empty()) {
    throw EngineError("Katalog kopii " + g.backup_dir +
                      " zawiera tabele, ale żadnego pliku opisów: przywrócone tabele "
                      "wskazywałyby na pliki po podziale");
  }
  auto is_table = [&](const RestoreMove& m) {
    return old_names.count(Lower(platform::ExtractFileName(m.from))) &&
           ExtOf(platform::ExtractFileName(m.from)) == "dbf";
  };
  std::stable_partition(g.aside.begin(), g.aside.end(), is_table);
  std::stable_partition(g.back.begin(), g.back.end(),
                        [&](const RestoreMove& m) { return !is_table(m); });

  // Nothing may be open elsewhere.
  for (const auto& m : g.aside) CheckNotInUse(env_, m.from);
  for (const auto& m : g.back) CheckNotInUse(env_, m.from);

  // "new" with the digits of the backup, so that the pair is easy to see
  // and a dry run names the directory the real run will use.
  std::string name = g.database_dir + "new" + digits;
  for (int n = 2; env_->FileExists(name) || env_->DirectoryExists(name); ++n) {
    name = g.database_dir + "new" + digits + "_" + std::to_string(n);
  }
  g.new_dir = IncludeBackslash(name);
  for (auto& m : g.aside) m.to = g.new_dir + platform::ExtractFileName(m.from);
  // After the current files are aside, every old name must be free.
  std::set<std::string> freed;
  for (const auto& m : g.aside) freed.insert(Lower(platform::ExtractFileName(m.from)));
  for (const auto& m : g.back) {
    const std::string file = platform::ExtractFileName(m.to);
    if (!freed.count(Lower(file)) && (env_->FileExists(m.to) || env_->DirectoryExists(m.to))) {
      throw EngineError("Nazwa pliku do przywrócenia jest zajęta: " + m.to);
    }
  }
}

std::vector<std::string> Restorer::RestoreGroupFiles(
    const RestoreGroup& g, const std::function<void(const RestoreMove&)>& moved) {
  // Every file held until it has moved: nobody opens a table between its
  // checks and its move, nor half of an exchanged set.
  std::vector<std::unique_ptr<platform::File>> held;
  CommitPlan plan;
  for (const auto* moves : {&g.aside, &g.back}) {
    for (const auto& m : *moves) {
      std::unique_ptr<platform::File> f;
      platform::Status s = env_->OpenFile(m.from, platform::OpenMode::kReadOnlyExclusive, &f);
      if (s.IsBusy()) throw EngineError("Plik jest używany przez inny program: " + m.from);
      uint64_t size = 0;
      if (s.ok()) s = f->Size(&size);
      if (!s.ok()) {
        throw EngineError("Nie udało się otworzyć pliku: " + m.from + " (" + s.message() + ")");
      }
      if (moves == &g.aside) {
        plan.old_files.push_back(platform::ExtractFileName(m.from));
      } else {
        plan.new_files.push_back({platform::ExtractFileName(m.from), size});
      }
      held.push_back(std::move(f));
    }
  }
  std::unique_ptr<platform::File> lock;
  plan.table_dir = g.database_dir;
  plan.work_dir = MakeWorkDir(env_, g.database_dir, &lock);
  plan.from_dir = g.backup_dir;
  plan.aside_dir = g.new_dir;
  plan.created_aside = !env_->DirectoryExists(g.new_dir);
  plan.tables = g.tables;
  try {
    WriteJournal(env_, plan);
  } catch (...) {
    RemoveWorkDir(env_, plan.work_dir, &lock);
    throw;
  }
  try {
    MoveForward(env_, plan, [&](const std::string& from, const std::string& to) {
      if (moved) moved({from, to});
    });
  } catch (const EngineError& failed) {
    try {
      MoveBack(env_, plan);
    } catch (const EngineError& undo) {
      lock.reset();
      throw EngineError(kMsgRestoreStopped + std::string(failed.what()) + "\n" + undo.what() +
                        "\nDziennik: " + plan.work_dir + kJournalName +
                        "\nPo usunięciu przyczyny błędu: podzial-cli recover " + g.database_dir);
    }
    RemoveWorkDir(env_, plan.work_dir, &lock);
    throw EngineError(kMsgRestoreStopped + std::string(failed.what()) +
                      "\nNic nie zostało zmienione: stare pliki są w " + g.backup_dir +
                      ", nowe w " + g.database_dir);
  }
  held.clear();
  std::vector<std::string> warnings = CompleteCommit(env_, plan, &lock);
  if (g.aside.empty()) (void)env_->RemoveDirectory(g.new_dir);
  return warnings;
}

std::vector<std::string> Restorer::Restore(const RestorePlan& plan,
                                           const std::function<void(const RestoreMove&)>& moved) {
  std::vector<std::string> warnings;
  for (size_t gi = 0; gi < plan.groups.size(); ++gi) {
    const RestoreGroup& g = plan.groups[gi];
    try {
      const std::vector<std::string> w = RestoreGroupFiles(g, moved);
      warnings.insert(warnings.end(), w.begin(), w.end());
    } catch (const EngineError& e) {
      // What to say about the groups before and after the one that failed.
      std::string msg = e.what();
      if (msg.rfind(kMsgRestoreStopped, 0) != 0) msg = kMsgRestoreStopped + msg;
      for (size_t i = 0; i < gi; ++i) {
        msg +=
            "\nPrzywrócono w całości: " + plan.groups[i].database_dir +
            (plan.groups[i].aside.empty() ? "" : " (nowe pliki w " + plan.groups[i].new_dir + ")");
      }
      for (size_t i = gi + 1; i < plan.groups.size(); ++i) {
        msg += "\nNie ruszano: stare pliki w " + plan.groups[i].backup_dir + ", nowe w " +
               plan.groups[i].database_dir;
      }
      throw EngineError(msg);
    }
  }
  // The emptied backup directories go; one still holding anything stays.
  for (auto it = plan.groups.rbegin(); it != plan.groups.rend(); ++it) {
    if (it->backup_dir != plan.backup_dir) (void)env_->RemoveDirectory(it->backup_dir);
  }
  (void)env_->RemoveDirectory(plan.backup_dir);
  return warnings;
}

}  // namespace engine
