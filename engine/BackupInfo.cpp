// Writing, reading and listing the descriptions of backup directories. The
// file is read as untrusted input: every value is checked for its form and
// its size before it is used.
#include "engine/BackupInfo.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

#include "engine/Common.h"
#include "engine/Messages.h"
#include "platform/IniFile.h"
#include "platform/Path.h"

#ifndef PODZIAL_VERSION
#define PODZIAL_VERSION "?"
#endif

namespace engine {

namespace {

constexpr char kSection[] = "Kopia";
// Larger than any description of kMaxBackupJobs jobs.
constexpr uint64_t kMaxInfoBytes = 64 * 1024;
constexpr size_t kMaxValue = 1024;

bool Safe(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-' || c == '/' || c == ':' || c == '+';
}

// Everything but a few plain characters as %XX: the file stays ASCII and
// free of what either ini reader would take as a comment, a quote or a
// blank to strip.
std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (Safe(c)) {
      out += c;
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
      out += buf;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& s, std::string* out) {
  out->clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      if (!Safe(s[i])) return false;
      *out += s[i];
      continue;
    }
    if (i + 2 >= s.size()) return false;
    const int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

bool ValidDate(const std::string& d) {
  static const char kForm[] = "dddd-dd-dd dd:dd:dd";
  if (d.size() != sizeof kForm - 1) return false;
  for (size_t i = 0; i < d.size(); ++i) {
    if (kForm[i] == 'd' ? (d[i] < '0' || d[i] > '9') : d[i] != kForm[i]) return false;
  }
  return true;
}

// A name below the database directory: relative, without ".." or a drive.
bool ValidRelativePath(const std::string& p) {
  if (p.empty() || p.size() > kMaxValue || p[0] == '/' || p.find(':') != std::string::npos) {
    return false;
  }
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find('/', start);
    if (end == std::string::npos) end = p.size();
    const std::string part = p.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    for (char c : part) {
      if (static_cast<unsigned char>(c) < 0x20 || c == '\\') return false;
    }
    start = end + 1;
  }
  return true;
}

bool ParseCount(const std::string& s, uint64_t* v) {
  if (s.empty() || s.size() > 18) return false;
  uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  *v = n;
  return true;
}

std::string StripSeparator(std::string s) {
  while (s.size() > 1 && platform::IsPathDelim(s.back())) s.pop_back();
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool IsTable(const std::string& name) {
  return name.size() > 4 && Lower(name.substr(name.size() - 4)) == ".dbf";
}

uint64_t FileSize(platform::Env* env, const std::string& path) {
  std::unique_ptr<platform::File> f;
  uint64_t size = 0;
  if (env->OpenFile(path, platform::OpenMode::kReadOnlyShared, &f).ok()) (void)f->Size(&size);
  return size;
}

// Writes the whole text afresh: the file is small, and a description lost
// to a failed write leaves the backup listed from its directory.
platform::Status WriteText(platform::Env* env, const std::string& path, const std::string& text) {
  platform::Status s = env->DeleteFile(path);
  if (!s.ok() && !s.IsNotFound()) return s;
  std::unique_ptr<platform::File> f;
  s = env->OpenFile(path, platform::OpenMode::kCreateExclusive, &f);
  if (s.ok()) s = f->WriteAt(0, text.data(), text.size());
  if (s.ok()) s = f->Flush();
  if (s.ok()) s = f->Close();
  return s;
}

}  // namespace

const char* ProgramVersion() {
  return PODZIAL_VERSION;
}

bool IsBackupDirName(const std::string& name) {
  const std::string l = Lower(name);
  return l.size() > 3 && l.compare(0, 3, "old") == 0 &&
         std::all_of(l.begin() + 3, l.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string LocalTimeText(int64_t seconds_ago) {
  const std::time_t t = std::time(nullptr) - static_cast<std::time_t>(seconds_ago);
  const std::tm* tm = std::localtime(&t);
  if (!tm) return std::string();
  char buf[80];  // room for any int the compiler cannot rule out
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm->tm_year + 1900,
                tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec);
  return buf;
}

std::string FormatBackupInfo(const BackupInfo& info) {
  std::string out = "[Kopia]\r\n";
  out += "Data=" + Escape(info.date) + "\r\nWersja=" + Escape(info.version) +
         "\r\nZadania=" + std::to_string(info.jobs.size()) + "\r\n";
  for (size_t i = 0; i < info.jobs.size(); ++i) {
    const BackupJob& j = info.jobs[i];
    out += "\r\n[Zadanie" + std::to_string(i + 1) + "]\r\nTabela=" + Escape(j.table) +
           "\r\nPlik=" + Escape(j.data) + "\r\nWiersze=" + std::to_string(j.rows) +
           "\r\nPrzepisane=" + std::to_string(j.converted) +
           "\r\nUtracone=" + std::to_string(j.dropped) +
           "\r\nRekordy=" + std::to_string(j.records) +
           "\r\nNowePliki=" + std::to_string(j.new_files) + "\r\n";
  }
  return out;
}

std::string RecordBackupJob(platform::Env* env, const JobReport& job) {
  // A job that kept nothing is handed back the backup directory it was
  // given; its old files are gone, so the backup cannot bring it back.
  if (!job.ran || job.used_old_dir.empty() || !(job.info.KeepOld || job.counts.OldFilesNeeded())) {
    return std::string();
  }
  std::string root = StripSeparator(job.used_old_dir);
  if (!IsBackupDirName(platform::ExtractFileName(root))) {
    root = StripSeparator(platform::ExtractFilePath(root));
    if (!IsBackupDirName(platform::ExtractFileName(root))) return std::string();
  }
  // A job runner that divides nothing (a test's) makes no directory.
  if (!env->DirectoryExists(root)) return std::string();
  const std::string dir = IncludeBackslash(root);
  const std::string database_dir = platform::ExtractFilePath(root);
  BackupInfo info;
  std::string ignored;
  if (!ReadBackupInfo(env, dir, &info, &ignored) || info.jobs.size() >= kMaxBackupJobs) {
    info = BackupInfo();
    info.date = LocalTimeText();
    info.version = ProgramVersion();
  }
  auto relative = [&](const std::string& path) {
    std::string rel =
        path.compare(0, database_dir.size(), database_dir) == 0 && !database_dir.empty()
            ? path.substr(database_dir.size())
            : platform::ExtractFileName(path);
    std::replace(rel.begin(), rel.end(), platform::kPathDelim, '/');
    return rel;
  };
  BackupJob j;
  j.table = relative(job.info.TableFile);
  j.data = relative(job.info.DataFile);
  j.counted = true;
  j.rows = job.counts.rows;
  j.converted = job.counts.converted;
  j.dropped = job.counts.dropped;
  j.records = job.counts.records_written;
  j.new_files = job.counts.new_files;
  info.jobs.push_back(j);
  const platform::Status s = WriteText(env, dir + kBackupInfoName, FormatBackupInfo(info));
  if (s.ok()) return std::string();
  return "Nie udało się zapisać opisu kopii " + dir + kBackupInfoName + " (" + s.message() +
         "); kopia jest kompletna.";
}

bool ReadBackupInfo(platform::Env* env, const std::string& backup_dir, BackupInfo* info,
                    std::string* error) {
  const std::string path = IncludeBackslash(backup_dir) + kBackupInfoName;
  auto fail = [&](const std::string& why) {
    *error = "Opis kopii " + path + " jest nieprawidłowy: " + why;
    return false;
  };
  if (!env->FileExists(path)) {
    *error = "Brak opisu kopii: " + path;
    return false;
  }
  if (FileSize(env, path) > kMaxInfoBytes) return fail("plik jest za duży");
  auto value = [&](const std::string& section, const std::string& key, std::string* out) {
    std::string raw;
    if (!platform::ReadIniString(env, path, section, key, &raw)) {
      *error = "brak wartości " + key + " w sekcji " + section;
      return false;
    }
    if (raw.size() > 3 * kMaxValue || !Unescape(raw, out)) {
      *error = "nieprawidłowa wartość " + key + " w sekcji " + section;
      return false;
    }
    return true;
  };
  BackupInfo got;
  std::string count_text;
  if (!value(kSection, "Data", &got.date) || !value(kSection, "Wersja", &got.version) ||
      !value(kSection, "Zadania", &count_text)) {
    return fail(*error);
  }
  if (!got.date.empty() && !ValidDate(got.date))
    return fail("data nie ma postaci RRRR-MM-DD GG:MM:SS");
  if (got.version.size() > 40) return fail("za długi numer wersji");
  uint64_t count = 0;
  if (!ParseCount(count_text, &count) || count < 1 || count > kMaxBackupJobs) {
    return fail("liczba zadań spoza przedziału 1–" + std::to_string(kMaxBackupJobs));
  }
  for (uint64_t i = 1; i <= count; ++i) {
    const std::string section = "Zadanie" + std::to_string(i);
    BackupJob j;
    std::string rows, converted, dropped, records, new_files;
    if (!value(section, "Tabela", &j.table) || !value(section, "Plik", &j.data) ||
        !value(section, "Wiersze", &rows) || !value(section, "Przepisane", &converted) ||
        !value(section, "Utracone", &dropped) || !value(section, "Rekordy", &records) ||
        !value(section, "NowePliki", &new_files)) {
      return fail(*error);
    }
    if (!ValidRelativePath(j.table) || (!j.data.empty() && !ValidRelativePath(j.data))) {
      return fail("nieprawidłowa nazwa pliku w sekcji " + section);
    }
    if (!ParseCount(rows, &j.rows) || !ParseCount(converted, &j.converted) ||
        !ParseCount(dropped, &j.dropped) || !ParseCount(records, &j.records) ||
        !ParseCount(new_files, &j.new_files)) {
      return fail("liczba nie jest liczbą naturalną w sekcji " + section);
    }
    if (j.converted > j.rows || j.dropped > j.rows) {
      return fail("więcej przepisanych lub utraconych wierszy niż wierszy w sekcji " + section);
    }
    j.counted = true;
    got.jobs.push_back(std::move(j));
  }
  *info = std::move(got);
  return true;
}

bool ListBackups(platform::Env* env, const std::string& database_dir, std::vector<BackupEntry>* out,
                 std::string* error) {
  out->clear();
  const std::string base = IncludeBackslash(database_dir.empty() ? "." : database_dir);
  std::vector<platform::DirEntry> entries;
  if (!env->DirectoryExists(base) || !env->ListDirectory(base, "old*", &entries).ok()) {
    *error = "Nie udało się odczytać katalogu: " + database_dir;
    return false;
  }
  for (const auto& e : entries) {
    if (!e.is_directory || !IsBackupDirName(e.name) || env->IsLink(base + e.name)) continue;
    BackupEntry b;
    b.name = e.name;
    b.dir = base + e.name + platform::kPathDelim;
    std::vector<std::string> tables;
    std::vector<platform::DirEntry> inner;
    if (env->ListDirectory(b.dir, "*", &inner).ok()) {
      for (const auto& f : inner) {
        if (!f.is_directory) {
          ++b.files;
          b.bytes += FileSize(env, b.dir + f.name);
          if (IsTable(f.name)) tables.push_back(f.name);
          continue;
        }
        // A preset over several directories keeps one subdirectory each.
        std::vector<platform::DirEntry> deeper;
        const std::string sub = b.dir + f.name + platform::kPathDelim;
        if (!env->ListDirectory(sub, "*", &deeper).ok()) continue;
        for (const auto& g : deeper) {
          if (g.is_directory) continue;
          ++b.files;
          b.bytes += FileSize(env, sub + g.name);
          if (IsTable(g.name)) tables.push_back(f.name + "/" + g.name);
        }
      }
    }
    std::sort(tables.begin(), tables.end());
    b.restorable = !tables.empty();
    std::string why;
    if (ReadBackupInfo(env, b.dir, &b.info, &why)) {
      b.described = true;
    } else {
      if (env->FileExists(b.dir + kBackupInfoName)) b.problem = why;
      int64_t age = 0;
      if (env->ModifiedAge(b.dir, &age).ok()) b.info.date = LocalTimeText(age);
      for (const std::string& t : tables) b.info.jobs.push_back({t, "", false, 0, 0, 0, 0, 0});
    }
    out->push_back(std::move(b));
  }
  std::sort(out->begin(), out->end(), [](const BackupEntry& a, const BackupEntry& b) {
    if (a.info.date != b.info.date) return a.info.date > b.info.date;
    return a.name > b.name;
  });
  return true;
}

std::string SizeText(uint64_t bytes) {
  auto with_comma = [](uint64_t tenths, const char* unit) {
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " " + unit;
  };
  if (bytes >= 1048576) return with_comma((bytes * 10 + 524288) / 1048576, "MB");
  if (bytes >= 1024) return std::to_string((bytes + 512) / 1024) + " kB";
  return std::to_string(bytes) + " B";
}

std::string BackupsText(const std::string& database_dir, const std::vector<BackupEntry>& list) {
  if (list.empty()) return "Brak kopii danych sprzed podziału w katalogu " + database_dir + "\n";
  std::string out;
  for (const BackupEntry& b : list) {
    out += b.dir + "\n  data: " + (b.info.date.empty() ? "nieznana" : b.info.date) +
           ", wersja: " + (b.info.version.empty() ? "nieznana" : b.info.version) +
           ", rozmiar: " + SizeText(b.bytes) + " (pliki: " + std::to_string(b.files) + ")" +
           (b.restorable ? "" : ", już przywrócona") + "\n";
    if (!b.problem.empty()) out += "  " + b.problem + "\n";
    for (const BackupJob& j : b.info.jobs) {
      out += "  " + j.table;
      if (j.counted) {
        out += ": wiersze: " + std::to_string(j.rows) +
               ", przepisane: " + std::to_string(j.converted) +
               ", utracone odwołania: " + std::to_string(j.dropped) +
               ", zapisane rekordy: " + std::to_string(j.records) +
               ", nowe pliki: " + std::to_string(j.new_files);
      }
      out += "\n";
    }
  }
  return out;
}

}  // namespace engine
