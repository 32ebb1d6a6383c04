// The decisions and texts of the tool windows.
#include "ui/Tools.h"

#include <memory>

#include "engine/Commit.h"
#include "engine/Common.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "engine/Recovery.h"
#include "engine/Reports.h"
#include "engine/Restorer.h"
#include "platform/LockWait.h"
#include "platform/Path.h"
#include "store/Checker.h"

namespace ui {

namespace {

// The preview answers the Kadmor question through the window and keeps the
// completion message to itself: nothing was divided.
class PreviewDialog : public engine::UserDialog {
 public:
  explicit PreviewDialog(engine::UserDialog* ask) : ask_(ask) {}
  int Ask(const std::string& text, const std::string& title, int flags) override {
    return ask_->Ask(text, title, flags);
  }
  void Inform(const std::string&, const std::string&, int) override {}

 private:
  engine::UserDialog* ask_;
};

std::string JobsText(const engine::BackupEntry& b) {
  std::string out;
  for (const auto& j : b.info.jobs) out += (out.empty() ? "" : ", ") + j.table;
  return out.empty() ? "brak tabel" : out;
}

}  // namespace

std::string ToolName(Tool tool) {
  switch (tool) {
    case Tool::kPreview:
      return "Podgląd podziału";
    case Tool::kBackups:
      return "Cofnij podział";
    case Tool::kCheck:
      return "Sprawdź plik opisów";
    case Tool::kRecover:
      return "Napraw przerwany podział";
  }
  return std::string();
}

std::string ToolsFolder(const engine::RequestEntries& e) {
  if (e.DivType != engine::kDivUser) return e.TolmDir;
  return e.TableFN.empty() ? std::string() : platform::ExtractFilePath(e.TableFN);
}

ToolReport PreviewDivision(platform::Env* env, engine::UserDialog* dialog,
                           const engine::RequestEntries& entries) {
  ToolReport r;
  r.title = ToolName(Tool::kPreview);
  PreviewDialog preview(dialog);
  try {
    const engine::RequestPlan plan = engine::PlanRequest(env, &preview, entries);
    if (!plan.result.completed) return r;
    r.ok = true;
    r.text = engine::PlanText(plan);
  } catch (const engine::EngineError& e) {
    r.text = std::string("Podział nie powiódłby się: ") + e.what();
  }
  return r;
}

BackupList ListBackupsOf(platform::Env* env, const std::string& folder) {
  BackupList list;
  list.folder = folder;
  if (folder.empty()) {
    list.error = "Nie wybrano katalogu bazy ani tabeli.";
    return list;
  }
  if (!engine::ListBackups(env, folder, &list.entries, &list.error)) return list;
  for (const engine::BackupEntry& b : list.entries) {
    BackupRow row;
    row.date = b.info.date.empty() ? "nieznana" : b.info.date;
    row.name = b.name;
    row.jobs = JobsText(b);
    row.size = engine::SizeText(b.bytes);
    row.state = !b.restorable        ? "przywrócona"
                : !b.problem.empty() ? "opis nieczytelny"
                : b.described        ? "do przywrócenia"
                                     : "bez opisu (starsza wersja)";
    list.rows.push_back(std::move(row));
  }
  return list;
}

std::string RestoreQuestion(platform::Env* env, const engine::BackupEntry& b,
                            std::string* refused) {
  std::vector<std::string> new_dirs;
  try {
    for (const auto& g : engine::Restorer(env).Prepare(b.dir).groups) {
      if (!g.aside.empty()) new_dirs.push_back(g.new_dir);
    }
  } catch (const engine::EngineError& e) {
    *refused = e.what();
    return std::string();
  }
  std::string where;
  for (const auto& d : new_dirs) where += (where.empty() ? "" : ", ") + d;
  return "Przywrócić dane sprzed podziału z kopii " + b.name +
         (b.info.date.empty() ? std::string() : " z " + b.info.date) + " (" + JobsText(b) + ")?" +
         (new_dirs.empty() ? std::string()
                           : std::string(" Pliki po podziale nie zostaną usunięte: trafią do ") +
                                 (new_dirs.size() > 1 ? "katalogów: " : "katalogu ") + where + ".");
}

ToolReport RestoreBackup(platform::Env* env, const engine::BackupEntry& backup) {
  ToolReport r;
  r.title = ToolName(Tool::kBackups);
  engine::Restorer restorer(env);
  try {
    const engine::RestorePlan plan = restorer.Prepare(backup.dir);
    const std::vector<std::string> warnings = restorer.Restore(plan);
    r.ok = true;
    r.text = "Przywrócono dane z katalogu: " + plan.backup_dir;
    for (const auto& g : plan.groups) {
      if (!g.aside.empty()) r.text += "\nPliki po podziale są w katalogu: " + g.new_dir;
    }
    for (const std::string& w : warnings) r.text += "\n" + w;
  } catch (const engine::EngineError& e) {
    r.text = e.what();
  }
  return r;
}

ToolReport CheckDescriptionFile(platform::Env* env, const std::string& file, int64_t lock_wait_ms) {
  ToolReport r;
  r.title = ToolName(Tool::kCheck);
  if (file.empty()) {
    r.text = "Nie wybrano pliku opisów.";
    return r;
  }
  const std::string base = store::BaseFileOf(env, file);
  if (!base.empty()) {
    r.text = engine::MsgCheckTheBaseFile(file, base);
    return r;
  }
  platform::LockWaitEnv waiting(env, lock_wait_ms, nullptr);
  store::CheckReport report;
  std::string error;
  const bool read = store::CheckSet(&waiting, file, &report, &error);
  // Without the lock the picture could be torn: given up, it says nothing.
  if (waiting.TimedOut()) {
    r.text = "Plik opisów " + file + " jest zablokowany przez inny program; przerwano po " +
             std::to_string(lock_wait_ms / 1000) + " s. Spróbuj ponownie później.";
    return r;
  }
  if (!read) {
    r.text = "Błąd: " + error;
    return r;
  }
  r.ok = report.Clean();
  r.text = engine::CheckText(file, report);
  return r;
}

ToolReport RecoverFolder(platform::Env* env, const std::string& folder) {
  ToolReport r;
  r.title = ToolName(Tool::kRecover);
  if (folder.empty() || !env->DirectoryExists(folder)) {
    r.text = "Nie znaleziono katalogu: " + folder;
    return r;
  }
  const engine::RecoveryReport rep = engine::RecoverDatabase(env, folder);
  std::string text;
  auto line = [&](const std::string& s) { text += (text.empty() ? "" : "\n") + s; };
  if (rep.Nothing() && rep.running.empty()) line("Brak przerwanych podziałów w katalogu " + folder);
  for (const auto& s : rep.done) line(s);
  for (const auto& w : rep.running) line("Podział w toku, pominięto: " + w);
  for (const auto& s : rep.failed) line(s);
  r.ok = rep.failed.empty();
  r.text = text;
  return r;
}

std::vector<std::string> InterruptedRuns(platform::Env* env, const std::string& folder) {
  std::vector<std::string> found;
  if (folder.empty()) return found;
  const std::string base = engine::IncludeBackslash(folder);
  std::vector<std::string> dirs = {base};
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(base, "*", &entries).ok()) return found;
  for (const auto& e : entries) {
    if (e.is_directory && !platform::MatchPattern("tmp*.tmp", e.name)) {
      dirs.push_back(base + e.name + platform::kPathDelim);
    }
  }
  for (const std::string& dir : dirs) {
    std::vector<platform::DirEntry> work;
    if (!env->ListDirectory(dir, "tmp*.tmp", &work).ok()) continue;
    for (const auto& w : work) {
      if (!w.is_directory || env->IsLink(dir + w.name)) continue;
      const std::string lock_path = dir + w.name + platform::kPathDelim + engine::kWorkLockName;
      if (!env->FileExists(lock_path)) continue;
      // A live run holds its lock exclusively: even a shared open fails.
      std::unique_ptr<platform::File> lock;
      platform::Status s = env->OpenFile(lock_path, platform::OpenMode::kReadOnlyShared, &lock);
      if (s.IsBusy() || !s.ok()) continue;
      // A lock file not yet marked and young may be a run that is starting.
      uint64_t size = 0;
      int64_t age = 0;
      if (lock->Size(&size).ok() && size == 0 && env->ModifiedAge(lock_path, &age).ok() &&
          age < engine::kFreshSeconds) {
        continue;
      }
      found.push_back(dir + w.name);
    }
  }
  return found;
}

std::string RecoverOffer(const std::string& folder, const std::vector<std::string>& work_dirs) {
  std::string list;
  for (const auto& w : work_dirs) list += (list.empty() ? "" : ", ") + w;
  return "W katalogu " + folder +
         " został katalog roboczy przerwanego podziału lub przywracania (" + list +
         "). Dokończyć albo wycofać tamtą operację teraz?";
}

}  // namespace ui
