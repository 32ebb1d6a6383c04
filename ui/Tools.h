// The tools of the main window's "Narzędzia" menu, free of any window: the
// preview of a division, the backups of a database folder and their
// restore, the check of a description file and the repair of an
// interrupted division. Each returns what a window shows; the windows
// only draw it.
#pragma once

#include <string>
#include <vector>

#include "engine/BackupInfo.h"
#include "engine/DivisionRequest.h"
#include "engine/UserDialog.h"
#include "platform/Env.h"

namespace ui {

// The menu's entries, in order.
enum class Tool { kPreview, kBackups, kCheck, kRecover };
inline constexpr Tool kTools[] = {Tool::kPreview, Tool::kBackups, Tool::kCheck, Tool::kRecover};
std::string ToolName(Tool tool);

inline constexpr char kToolsCaption[] = "Narzędzia";

// The titles of the tools' choosers and windows.
inline constexpr char kChooseCheckFile[] = "Wybierz plik opisów do sprawdzenia";
inline constexpr char kChooseRecoverFolder[] = "Wybierz katalog przerwanego podziału";
inline constexpr char kChooseBackupsFolder[] = "Wybierz katalog bazy z kopiami danych";
inline constexpr char kBackupsTitle[] = "Kopie danych sprzed podziału";
inline constexpr char kFolderLabel[] = "Katalog: ";
// The description files a check is offered ("description|patterns").
inline constexpr char kCheckFilter[] = "Pliki opisów (*.dat;*.dan)|*.dat;*.dan|Wszystkie (*.*)|*.*";

// What a tool has to say: a title, a text, and whether it went well.
struct ToolReport {
  bool ok = false;
  std::string title;
  std::string text;
};

// The folder the tools look at for the main window's entries: a preset's
// database folder, or the folder of a hand-picked table; "" when neither
// is given.
std::string ToolsFolder(const engine::RequestEntries& entries);

// What the division of the entries would do, before anything is made. The
// dialog answers the Kadmor question (No: an empty text and ok false).
ToolReport PreviewDivision(platform::Env* env, engine::UserDialog* dialog,
                           const engine::RequestEntries& entries);

// One row of the backups table.
struct BackupRow {
  std::string date, name, jobs, size, state;
};
inline constexpr const char* kBackupColumns[] = {"Data", "Katalog", "Zadania", "Rozmiar", "Stan"};

struct BackupList {
  std::string folder;
  std::string error;  // the folder could not be read
  std::vector<engine::BackupEntry> entries;
  std::vector<BackupRow> rows;  // one per entry, newest first
};
BackupList ListBackupsOf(platform::Env* env, const std::string& folder);

// The question asked before restoring, after the checks of the restore
// (nothing moves here), naming where the divided files will go; Yes
// restores. "" with *refused when the restore would be refused.
std::string RestoreQuestion(platform::Env* env, const engine::BackupEntry& backup,
                            std::string* refused);
// The restore with the checks of podzial-cli restore.
ToolReport RestoreBackup(platform::Env* env, const engine::BackupEntry& backup);

// The check of a description file set. Waits at most lock_wait_ms for a
// set another program has locked.
inline constexpr int64_t kCheckLockWaitMs = 10000;
ToolReport CheckDescriptionFile(platform::Env* env, const std::string& file,
                                int64_t lock_wait_ms = kCheckLockWaitMs);

// Finishes or undoes the interrupted divisions in a folder and the folders
// directly below it.
ToolReport RecoverFolder(platform::Env* env, const std::string& folder);

// Working folders of interrupted runs in `folder` and the folders directly
// below it: a run's lock file that no live run holds.
std::vector<std::string> InterruptedRuns(platform::Env* env, const std::string& folder);
// The offer to repair them, asked when such a folder is chosen.
std::string RecoverOffer(const std::string& folder, const std::vector<std::string>& work_dirs);

}  // namespace ui
