// The description a backup directory ("old" + digits) carries of itself:
// when it was made, by which version of the program, and the jobs whose
// old files it holds with their counts. A request adds each committed job
// that kept its old files; the list of backups and the command line read
// it. A restore leaves it in the backup, as it leaves the lists of rows.
// The file is plain ASCII ini text (other bytes are written as %XX), so
// the profile functions of Windows and the ini library read it alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Job.h"
#include "platform/Env.h"

namespace engine {

inline constexpr char kBackupInfoName[] = "podzial-kopia.ini";
// More jobs than any request makes: a description claiming more is refused.
inline constexpr int kMaxBackupJobs = 64;

struct BackupJob {
  std::string table;     // relative to the database directory, '/' between names
  std::string data;      // "" when not known
  bool counted = false;  // the counts below are known
  uint64_t rows = 0, converted = 0, dropped = 0, records = 0, new_files = 0;
};

struct BackupInfo {
  std::string date;     // "RRRR-MM-DD GG:MM:SS", local time; "" when not known
  std::string version;  // "" when not known
  std::vector<BackupJob> jobs;
};

// Whether a directory name is one a division gives its backups: "old" and
// digits, letter case ignored.
bool IsBackupDirName(const std::string& name);

// Local time "RRRR-MM-DD GG:MM:SS" of `seconds_ago` seconds before now.
std::string LocalTimeText(int64_t seconds_ago = 0);

// The description file's text.
std::string FormatBackupInfo(const BackupInfo& info);

// Adds a job a request committed to the description of the backup it used:
// the directory its used_old_dir names, or the backup root above it (a
// preset over several directories). Nothing for a job that kept nothing.
// Returns "" or, for the user, why the description could not be written;
// the job stays committed either way.
std::string RecordBackupJob(platform::Env* env, const JobReport& job);

// The version of the program, as descriptions record it.
const char* ProgramVersion();

// Reads the description of a backup. False with *error (in Polish) when
// the file is missing, unreadable or holds what cannot be right.
bool ReadBackupInfo(platform::Env* env, const std::string& backup_dir, BackupInfo* info,
                    std::string* error);

// One backup of a database directory as the list shows it.
struct BackupEntry {
  std::string dir;   // full path, with separator
  std::string name;  // "old" + digits
  BackupInfo info;   // the description's, or what the directory shows
  bool described = false;
  std::string problem;  // why a description file present was not used
  uint64_t bytes = 0;   // every file in it now, subdirectories included
  uint64_t files = 0;
  bool restorable = false;  // still holds a table to put back
};

// The backups directly in `database_dir`, newest first. One without a
// description (made by an older version) is listed with the date of its
// directory and its tables as jobs. False with *error when the directory
// cannot be listed.
bool ListBackups(platform::Env* env, const std::string& database_dir, std::vector<BackupEntry>* out,
                 std::string* error);

// "1,5 MB", "820 kB", "12 B": a size for people, with a decimal comma.
std::string SizeText(uint64_t bytes);

// The list as podzial-cli backups prints it.
std::string BackupsText(const std::string& database_dir, const std::vector<BackupEntry>& list);

}  // namespace engine
