// The exchange of old and new files, its journal, and reading back from the
// disk how far it got.
#include "engine/Commit.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "engine/Common.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "platform/Path.h"

namespace engine {

namespace {

constexpr char kJournalHeadV1[] = "podzial-dziennik 1";
constexpr char kJournalHead[] = "podzial-dziennik 2";
constexpr char kJournalEnd[] = "koniec";
// A journal names a few thousand files at most.
constexpr uint64_t kMaxJournalSize = 4 << 20;

std::string StripSeparator(std::string d) {
  while (d.size() > 1 && platform::IsPathDelim(d.back())) d.pop_back();
  return d;
}

// The parent of a directory named with a separator at its end; "." and
// its trailing forms ("kerg/.") count as no name.
std::string ParentDir(const std::string& dir_with_separator) {
  std::string d = StripSeparator(dir_with_separator);
  while (d.size() > 2 && d[d.size() - 1] == '.' && platform::IsPathDelim(d[d.size() - 2])) {
    d = StripSeparator(d.substr(0, d.size() - 2));
  }
  return FolderOf(d);
}

// A bare file name: the journal never names anything outside the
// directories of its exchange.
bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
}

// The components of a path, either separator between them; a leading
// separator gives an empty first component (the root); doubled and
// trailing separators and "." give none.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> out;
  std::string cur;
  auto add = [&](bool root) {
    if ((!cur.empty() && cur != ".") || (root && cur.empty())) out.push_back(cur);
    cur.clear();
  };
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '/' || path[i] == '\\') {
      add(i == 0);
    } else {
      cur += path[i];
    }
  }
  add(false);
  return out;
}

// A backup directory made by a division: "old" and digits.
bool BackupName(const std::string& name) {
  return name.size() > 3 && (name[0] == 'o' || name[0] == 'O') &&
         (name[1] == 'l' || name[1] == 'L') && (name[2] == 'd' || name[2] == 'D') &&
         std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool StartsWith(const std::vector<std::string>& c, const std::vector<std::string>& prefix) {
  if (prefix.size() > c.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (!platform::SameNameIgnoringCase(c[i], prefix[i])) return false;
  }
  return true;
}

// The one place outside the table's directory a journal may name: a
// preset's backup root beside the tables' directories, with the
// subdirectory of the table's own name ("../old4821/kerg/").
bool PresetBackup(const std::string& base_path, const std::vector<std::string>& rel) {
  const std::vector<std::string> base = Components(base_path);
  // A share's root ("\\srv\share\") has no parent inside the share.
  const bool share = base_path.size() > 1 && platform::IsPathDelim(base_path[0]) &&
                     platform::IsPathDelim(base_path[1]);
  return rel.size() == 3 && rel[0] == ".." && BackupName(rel[1]) && !base.empty() &&
         !base.back().empty() && (!share || base.size() >= 4) &&
         platform::SameNameIgnoringCase(rel[2], base.back());
}

// `dir` as the journal names it: relative to `base`, '/' between names and
// at the end: below base, or a preset's backup root beside it. False for
// anything else.
bool RelativeTo(const std::string& base, const std::string& dir, std::string* rel) {
  const std::vector<std::string> b = Components(base), d = Components(dir);
  rel->clear();
  if (StartsWith(d, b) && d.size() > b.size()) {
    for (size_t i = b.size(); i < d.size(); ++i) {
      if (!PlainName(d[i])) return false;
      *rel += d[i] + "/";
    }
    return true;
  }
  if (b.empty() || b.back().empty() || d.size() != b.size() + 1 ||
      !StartsWith(d, {b.begin(), b.end() - 1})) {
    return false;
  }
  *rel = "../" + d[b.size() - 1] + "/" + d[b.size()] + "/";
  return PresetBackup(base, Components(*rel));
}

// The directory a journal names relative to `base`, with separator. False
// when it would leave the database.
bool FromRelative(const std::string& base, const std::string& rel, std::string* dir) {
  if (rel.empty() || (rel.back() != '/' && rel.back() != '\\')) return false;
  const std::vector<std::string> c = Components(rel);
  if (c.empty() || c.front().empty()) return false;  // absolute
  size_t i = 0;
  std::string out = base;
  if (c[0] == "..") {
    // A table directory named only as "." has no name to check: refused.
    if (!PresetBackup(base, c)) return false;
    out = ParentDir(base);
    i = 1;
  }
  for (; i < c.size(); ++i) {
    if (!PlainName(c[i])) return false;
    out += c[i] + platform::kPathDelim;
  }
  *dir = out;
  return true;
}

uint64_t SizeOf(platform::Env* env, const std::string& path, bool* ok) {
  std::unique_ptr<platform::File> f;
  uint64_t size = 0;
  *ok = env->OpenFile(path, platform::OpenMode::kReadOnlyShared, &f).ok() && f->Size(&size).ok();
  return size;
}

bool Empty(platform::Env* env, const std::string& dir) {
  std::vector<platform::DirEntry> entries;
  return !env->DirectoryExists(dir) ||
         (env->ListDirectory(dir, "*", &entries).ok() && entries.empty());
}

[[noreturn]] void Fail(const std::string& head, const std::string& detail) {
  throw EngineError(head + "\n" + detail);
}

// One move of the exchange.
struct Step {
  std::string from, to;
  const char* head;  // the message of its failure
};

// The moves of a plan in order: the list, the old files, the new files.
std::vector<Step> Steps(const CommitPlan& plan) {
  std::vector<Step> steps;
  if (!plan.list_name.empty()) {
    steps.push_back({plan.work_dir + plan.list_name, plan.aside_dir + plan.list_name, kMsgCopyIn});
  }
  for (const auto& name : plan.old_files) {
    steps.push_back({plan.table_dir + name, plan.aside_dir + name, kMsgCopyIn});
  }
  for (const auto& f : plan.new_files) {
    steps.push_back({plan.from_dir + f.name, plan.table_dir + f.name, kMsgCopyOut});
  }
  return steps;
}

size_t FirstNewStep(const CommitPlan& plan) {
  return (plan.list_name.empty() ? 0 : 1) + plan.old_files.size();
}

// Whether move i has put its file at its target.
bool Moved(const CommitState& st, size_t i) {
  return i < st.done || (i == st.done && st.half);
}

bool IsTable(const CommitPlan& plan, const std::string& name) {
  return std::any_of(plan.tables.begin(), plan.tables.end(),
                     [&](const std::string& t) { return platform::SameNameIgnoringCase(t, name); });
}

// The tables are the first old files and the last new ones, every table
// among the new files: what lets the recovery judge by them alone.
bool TablesInPlace(const CommitPlan& plan) {
  if (plan.tables.empty() || plan.new_files.size() < plan.tables.size()) return false;
  const size_t first = plan.new_files.size() - plan.tables.size();
  for (size_t i = 0; i < plan.new_files.size(); ++i) {
    if (IsTable(plan, plan.new_files[i].name) != (i >= first)) return false;
  }
  for (const std::string& t : plan.tables) {
    size_t n = 0;
    for (size_t i = first; i < plan.new_files.size(); ++i) {
      n += platform::SameNameIgnoringCase(t, plan.new_files[i].name);
    }
    if (n != 1) return false;
  }
  bool past = false;
  for (const std::string& o : plan.old_files) {
    const bool table = IsTable(plan, o);
    if (table && past) return false;
    past = past || !table;
  }
  return true;
}

}  // namespace

std::string MakeWorkDir(platform::Env* env, const std::string& dir,
                        std::unique_ptr<platform::File>* lock) {
  // Names another run took meanwhile, or whose lock another process took
  // away, before giving up.
  constexpr int kAttempts = 20;
  for (int attempt = 1;; ++attempt) {
    const std::string work = UniqueName(dir + "tmp", ".tmp", env);
    platform::Status st = env->CreateNewDirectory(work);
    if (st.IsExists() && attempt < kAttempts) continue;
    if (!st.ok()) throw EngineError(std::string(kMsgWorkDir) + ": " + st.message());
    const std::string work_dir = IncludeBackslash(work);
    const std::string path = work_dir + kWorkLockName;
    st = env->OpenFile(path, platform::OpenMode::kCreateExclusive, lock);
    if (st.ok() && !(*lock)->IsAt(path)) {
      // Removed between its making and its lock: another name.
      lock->reset();
      (void)env->RemoveDirectory(work);
      if (attempt < kAttempts) continue;
      st = platform::Status::Busy(path + ": blokada została usunięta przez inny program");
    }
    if (st.ok()) st = (*lock)->WriteAt(0, kLockMark, sizeof kLockMark - 1);
    if (!st.ok()) {
      lock->reset();
      DeleteTree(work, env);
      throw EngineError(std::string(kMsgWorkDir) + ": " + st.message());
    }
    return work_dir;
  }
}

std::string PrivateAsideDir(const std::string& work_dir) {
  return work_dir + kPrivateAsideName + platform::kPathDelim;
}

void WriteJournal(platform::Env* env, const CommitPlan& plan) {
  std::string text = std::string(kJournalHead) + "\n";
  auto line = [&](const std::string& key, const std::string& value) {
    if (value.find_first_of("\n\r") != std::string::npos) {
      Fail(kMsgCopyIn, "Nazwa pliku zawiera znak końca wiersza: " + value);
    }
    text += key + "\t" + value + "\n";
  };
  auto name = [&](const std::string& key, const std::string& value) {
    if (!PlainName(value)) Fail(kMsgCopyIn, "Niedozwolona nazwa pliku: " + value);
    line(key, value);
  };
  auto dir = [&](const std::string& key, const std::string& value, bool by_default) {
    std::string rel;
    if (!by_default && !RelativeTo(plan.table_dir, value, &rel)) {
      Fail(kMsgCopyIn, "Katalog " + value + " leży poza katalogiem bazy " + plan.table_dir);
    }
    line(key, rel);
  };
  if (!TablesInPlace(plan)) Fail(kMsgCopyIn, "Niepełny plan wymiany plików");
  dir("from", plan.from_dir, plan.from_dir == plan.work_dir);
  dir("aside", plan.aside_dir, plan.private_aside);
  line("created", plan.created_aside ? "1" : "0");
  if (!plan.list_name.empty()) name("list", plan.list_name);
  for (const auto& t : plan.tables) name("table", t);
  for (const auto& n : plan.old_files) name("old", n);
  for (const auto& f : plan.new_files) {
    if (!PlainName(f.name)) Fail(kMsgCopyIn, "Niedozwolona nazwa pliku: " + f.name);
    line("new", std::to_string(f.size) + "\t" + f.name);
  }
  text += std::string(kJournalEnd) + "\n";

  const std::string path = plan.work_dir + kJournalName;
  std::unique_ptr<platform::File> f;
  platform::Status s = env->OpenFile(path, platform::OpenMode::kCreateExclusive, &f);
  if (s.ok()) s = f->WriteAt(0, text.data(), text.size());
  if (s.ok()) s = f->Flush();
  if (f) {
    platform::Status closed = f->Close();
    if (s.ok()) s = closed;
  }
  if (s.ok()) s = env->SyncDirectory(plan.work_dir);
  if (!s.ok()) Fail(kMsgCopyIn, "Nie udało się zapisać dziennika " + path + ": " + s.message());
}

JournalRead ReadJournal(platform::Env* env, const std::string& work_dir, CommitPlan* plan,
                        std::string* why, const std::string& name) {
  std::unique_ptr<platform::File> f;
  platform::Status s = env->OpenFile(work_dir + name, platform::OpenMode::kReadOnlyShared, &f);
  if (s.IsNotFound()) return JournalRead::kNone;
  uint64_t size = 0;
  if (s.ok()) s = f->Size(&size);
  if (s.ok() && size > kMaxJournalSize) {
    *why = "dziennik ma " + std::to_string(size) + " bajtów";
    return JournalRead::kUnreadable;
  }
  std::string text(static_cast<size_t>(size), '\0');
  size_t got = 0;
  if (s.ok()) s = f->ReadAt(0, text.data(), text.size(), &got);
  if (!s.ok()) {
    *why = s.message();
    return JournalRead::kUnreadable;
  }
  text.resize(got);
  CommitPlan p;
  const JournalRead r = ParseJournal(text, work_dir, &p, why);
  if (r != JournalRead::kRead) return r;
  // A directory the journal names must not lead elsewhere through a link:
  // every name below the database is looked at.
  std::vector<std::string> dirs = {StripSeparator(work_dir)};
  for (const std::string* d : {&p.from_dir, &p.aside_dir}) {
    const bool up = !StartsWith(Components(*d), Components(p.table_dir));
    std::string at = up ? ParentDir(p.table_dir) : p.table_dir;
    const std::vector<std::string> c = Components(*d);
    for (size_t i = Components(at).size(); i < c.size(); ++i) {
      at += c[i];
      dirs.push_back(at);
      at += platform::kPathDelim;
    }
  }
  for (const std::string& d : dirs) {
    if (env->IsLink(d)) {
      *why = "katalog " + d + " jest dowiązaniem";
      return JournalRead::kUnreadable;
    }
  }
  *plan = std::move(p);
  return JournalRead::kRead;
}

JournalRead ParseJournal(const std::string& text, const std::string& work_dir, CommitPlan* plan,
                         std::string* why) {
  CommitPlan p;
  p.work_dir = work_dir;
  p.from_dir = work_dir;
  p.table_dir = ParentDir(work_dir);
  int version = 0;
  bool end = false, from = false, aside = false, created = false, list = false;
  // Zero bytes at the end are a tail that never reached the disk: the run
  // died before the journal was flushed, so before any move.
  const size_t size = text.find_last_not_of('\0') + 1;
  size_t pos = 0;
  for (int number = 1; pos < size; ++number) {
    const size_t nl = text.find('\n', pos);
    // A last line without its end is one the run was writing when it died,
    // unless it is the end mark itself (an editor drops the last line end).
    const bool whole = nl < size;
    std::string l = text.substr(pos, (whole ? nl : size) - pos);
    pos = whole ? nl + 1 : size;
    if (!l.empty() && l.back() == '\r') l.pop_back();
    const bool blank = l.find_first_not_of(" \t") == std::string::npos;
    auto bad = [&](const std::string& what) {
      *why = "wiersz " + std::to_string(number) + ": " + what;
      return JournalRead::kUnreadable;
    };
    if (end) {
      if (!blank) return bad("tekst po znaku końca dziennika");
      continue;
    }
    if (blank) continue;
    if (version == 0) {
      if (l == kJournalHead || l == kJournalHeadV1) {
        version = l == kJournalHead ? 2 : 1;
        continue;
      }
      if (!whole && (std::string(kJournalHead).rfind(l, 0) == 0 ||
                     std::string(kJournalHeadV1).rfind(l, 0) == 0)) {
        return JournalRead::kCutShort;
      }
      return bad("to nie jest dziennik podziału");
    }
    if (l == kJournalEnd) {
      end = true;
      continue;
    }
    if (!whole) return JournalRead::kCutShort;
    const size_t tab = l.find('\t');
    const std::string key = l.substr(0, tab);
    const std::string value = tab == std::string::npos ? std::string() : l.substr(tab + 1);
    if (tab == std::string::npos) return bad("brak tabulatora");
    if (key == "aside" && !aside) {
      aside = true;
      p.private_aside = value.empty();
      if (p.private_aside) {
        p.aside_dir = PrivateAsideDir(work_dir);
      } else {
        // The first journals named the backup directory in full: it is
        // taken only where it lies in the database as it is now.
        std::string rel = value;
        if (version == 1 && !RelativeTo(p.table_dir, value, &rel)) {
          return bad("katalog kopii " + value + " leży poza katalogiem bazy " + p.table_dir);
        }
        if (!FromRelative(p.table_dir, rel, &p.aside_dir)) {
          return bad("katalog kopii " + value + " leży poza katalogiem bazy");
        }
      }
    } else if (key == "from" && version == 2 && !from) {
      from = true;
      if (!value.empty() && !FromRelative(p.table_dir, value, &p.from_dir)) {
        return bad("katalog nowych plików " + value + " leży poza katalogiem bazy");
      }
    } else if (key == "created" && !created && (value == "0" || value == "1")) {
      created = true;
      p.created_aside = value == "1";
    } else if (key == "list" && !list && (value.empty() || PlainName(value))) {
      list = true;
      p.list_name = value;
    } else if (key == "table" && version == 2 && PlainName(value)) {
      p.tables.push_back(value);
    } else if (key == "old" && PlainName(value)) {
      p.old_files.push_back(value);
    } else if (key == "new") {
      const size_t t2 = value.find('\t');
      if (t2 == std::string::npos || t2 == 0 || t2 > 19) return bad("zły rozmiar pliku");
      CommitPlan::NewFile nf;
      for (size_t i = 0; i < t2; ++i) {
        if (value[i] < '0' || value[i] > '9') return bad("zły rozmiar pliku");
        nf.size = nf.size * 10 + static_cast<uint64_t>(value[i] - '0');
      }
      nf.name = value.substr(t2 + 1);
      if (!PlainName(nf.name)) return bad("zła nazwa pliku");
      p.new_files.push_back(nf);
    } else {
      return bad("nieznany wpis " + key);
    }
  }
  if (version == 0 || !end) return JournalRead::kCutShort;
  // The first journals held one table: the first old and last new file.
  if (version == 1 && !p.old_files.empty()) p.tables = {p.old_files.front()};
  // A restore into a directory without any of the backup's names puts
  // nothing aside; a division (whose new files are in its working
  // directory) always does.
  if (!aside || !created || (version == 2 && !from) ||
      (p.old_files.empty() && p.from_dir == p.work_dir) || p.new_files.empty() ||
      !TablesInPlace(p) ||
      (version == 1 &&
       !platform::SameNameIgnoringCase(p.old_files.front(), p.new_files.back().name))) {
    *why = "niepełny plan wymiany plików";
    return JournalRead::kUnreadable;
  }
  *plan = std::move(p);
  return JournalRead::kRead;
}

CommitState Inspect(platform::Env* env, const CommitPlan& plan) {
  const std::vector<Step> steps = Steps(plan);
  // Every name the moves touch, once. An old file's name in the table's
  // directory is also the target of the new file of that name, letter
  // case ignored as the system finds names; the other names are apart.
  std::vector<std::string> paths;
  std::vector<std::pair<size_t, size_t>> at;  // from, to of each move
  const size_t first_new = FirstNewStep(plan);
  for (size_t i = 0; i < steps.size(); ++i) {
    const size_t from = paths.size();
    paths.push_back(steps[i].from);
    size_t to = SIZE_MAX;
    for (size_t j = first_new - plan.old_files.size(); i >= first_new && j < first_new; ++j) {
      if (platform::SameNameIgnoringCase(steps[j].from, steps[i].to)) to = at[j].first;
    }
    if (to == SIZE_MAX) {
      to = paths.size();
      paths.push_back(steps[i].to);
    }
    at.push_back({from, to});
  }
  std::vector<char> there(paths.size()), expect(paths.size(), 0);
  for (size_t i = 0; i < paths.size(); ++i) there[i] = env->FileExists(paths[i]);
  // Before the exchange every source holds its file and no target is
  // taken but the old names the new files will take.
  for (const auto& m : at) expect[m.first] = 1;
  size_t wrong = 0;
  for (size_t i = 0; i < paths.size(); ++i) wrong += there[i] != expect[i];
  auto set = [&](size_t i, char v) {
    wrong -= there[i] != expect[i];
    expect[i] = v;
    wrong += there[i] != expect[i];
  };
  CommitState st;
  for (size_t k = 0;; ++k) {
    if (wrong == 0) {
      st.known = true;
      st.done = k;
      return st;
    }
    if (k == steps.size()) return st;
    const auto [from, to] = at[k];
    // Half done: the target's name taken too, by the source's file.
    const size_t wrong_if_half = wrong - (there[to] != expect[to] ? 1 : 0) + (there[to] ? 0 : 1);
    if (wrong_if_half == 0 && env->SameFile(paths[from], paths[to])) {
      st.known = true;
      st.done = k;
      st.half = true;
      return st;
    }
    set(from, 0);
    set(to, 1);
  }
}

bool MarkFinished(platform::Env* env, const std::string& work_dir) {
  return env->RenameFile(work_dir + kJournalName, work_dir + kFinishedName).ok() &&
         env->SyncDirectory(work_dir).ok();
}

bool NewFilesComplete(platform::Env* env, const CommitPlan& plan, const CommitState& state) {
  if (!state.known) return false;
  const size_t first_new = FirstNewStep(plan);
  for (size_t i = 0; i < plan.new_files.size(); ++i) {
    const auto& f = plan.new_files[i];
    const std::string where =
        (Moved(state, first_new + i) ? plan.table_dir : plan.from_dir) + f.name;
    bool ok = false;
    if (SizeOf(env, where, &ok) != f.size || !ok) return false;
  }
  return true;
}

std::vector<FileMove> PendingMoves(platform::Env* env, const CommitPlan& plan, bool forward) {
  const CommitState st = Inspect(env, plan);
  std::vector<FileMove> out;
  if (!st.known) return out;
  const std::vector<Step> steps = Steps(plan);
  if (forward) {
    // A move cut short only loses its second name.
    for (size_t k = st.done + (st.half ? 1 : 0); k < steps.size(); ++k) {
      out.push_back({steps[k].from, steps[k].to});
    }
  } else {
    for (size_t k = st.done; k-- > 0;) out.push_back({steps[k].to, steps[k].from});
  }
  return out;
}

void MoveForward(platform::Env* env, const CommitPlan& plan,
                 const std::function<void(const std::string&, const std::string&)>& moved) {
  const CommitState st = Inspect(env, plan);
  if (!st.known) Fail(kMsgCopyIn, DescribeWhere(env, plan));
  if (!env->DirectoryExists(plan.aside_dir)) {
    platform::Status s = env->CreateDirectories(plan.aside_dir);
    if (!s.ok()) {
      if (plan.private_aside) Fail(kMsgWorkDir, s.message());
      Fail(kMsgBackupDir + plan.aside_dir, s.message());
    }
  }
  const std::vector<Step> steps = Steps(plan);
  const size_t first_new = FirstNewStep(plan);
  size_t k = st.done;
  if (st.half) {
    // The second name of a move cut short in the middle goes.
    platform::Status s = env->DeleteFile(steps[k].from);
    if (!s.ok()) Fail(steps[k].head, s.message());
    if (moved) moved(steps[k].from, steps[k].to);
    ++k;
  }
  for (; k < steps.size(); ++k) {
    if (k == first_new) {
      // The old files' new places reach the disk before the new files
      // come in.
      platform::Status s = env->SyncDirectory(plan.aside_dir);
      if (s.ok()) s = env->SyncDirectory(plan.table_dir);
      if (!s.ok()) Fail(kMsgCopyIn, s.message());
    }
    platform::Status s = env->MoveFile(steps[k].from, steps[k].to);
    if (!s.ok()) Fail(steps[k].head, s.message());
    if (moved) moved(steps[k].from, steps[k].to);
  }
}

void MoveBack(platform::Env* env, const CommitPlan& plan) {
  const CommitState st = Inspect(env, plan);
  const std::vector<Step> steps = Steps(plan);
  std::string error;
  bool moved = false;
  if (!st.known) {
    error = "Pliki nie odpowiadają żadnemu etapowi wymiany.";
  } else {
    size_t k = st.done;
    if (st.half) {
      platform::Status s = env->DeleteFile(steps[k].to);
      if (!s.ok()) error = s.message();
      moved = s.ok();
    }
    while (error.empty() && k > 0) {
      --k;
      platform::Status s = env->MoveFile(steps[k].to, steps[k].from);
      if (!s.ok()) error = s.message();
      moved = moved || s.ok();
    }
  }
  if (moved) {
    platform::Status s = env->SyncDirectory(plan.table_dir);
    if (!s.ok() && error.empty()) error = s.message();
  }
  if (plan.created_aside && !plan.private_aside) (void)env->RemoveDirectory(plan.aside_dir);
  if (!error.empty()) {
    throw EngineError("Nie udało się przywrócić poprzedniego stanu plików:\n" + error + "\n" +
                      DescribeWhere(env, plan));
  }
}

std::vector<std::string> CompleteCommit(platform::Env* env, const CommitPlan& plan,
                                        std::unique_ptr<platform::File>* lock) {
  const platform::Status flushed = env->SyncDirectory(plan.table_dir);
  if (!flushed.ok()) {
    // The new names may not be on the disk: the old files stay, out of the
    // working directory, in a backup directory of their own.
    std::string kept = plan.aside_dir;
    if (plan.private_aside && !Empty(env, plan.aside_dir)) {
      platform::Status s;
      std::string backup;
      try {
        backup = UniqueName(plan.table_dir + "old", "", env);
        s = env->MoveFile(StripSeparator(plan.aside_dir), backup);
      } catch (const EngineError& e) {
        s = platform::Status::IOError(e.what());
      }
      if (s.ok()) kept = IncludeBackslash(backup);
    }
    // The journal stays: whatever of these changes a crash loses, the
    // recovery finds the exchange, and deletes nothing before its own
    // flush succeeds.
    if (lock) lock->reset();
    const std::string msg =
        "Nowe pliki są na miejscu w katalogu " + plan.table_dir +
        ", ale nie udało się zapisać na dysk zmian w tym katalogu (" + flushed.message() +
        "), więc stare pliki nie zostały usunięte.\nStare pliki są w katalogu: " + kept +
        "\nDziennik: " + plan.work_dir + kJournalName +
        "\nPo usunięciu przyczyny błędu katalog roboczy uprzątnie następny podział albo: "
        "podzial-cli recover " +
        plan.table_dir;
    throw EngineError(msg);
  }
  std::vector<std::string> warnings;
  // Marked finished first: a half-emptied private directory beside the
  // journal would be taken for an exchange still to do.
  if (MarkFinished(env, plan.work_dir)) {
    RemoveWorkDir(env, plan.work_dir, lock);
  } else if (lock) {
    lock->reset();
  }
  if (plan.private_aside && env->DirectoryExists(plan.aside_dir)) {
    warnings.push_back("Nie udało się usunąć starych plików: " + plan.aside_dir);
  } else if (env->DirectoryExists(plan.work_dir)) {
    warnings.push_back("Nie udało się usunąć katalogu roboczego: " + plan.work_dir);
  }
  return warnings;
}

void RemoveWorkDir(platform::Env* env, const std::string& work_dir,
                   std::unique_ptr<platform::File>* lock) {
  platform::Status s = env->DeleteFile(work_dir + kJournalName);
  if (s.ok()) s = env->SyncDirectory(work_dir);
  if (!s.ok() && !s.IsNotFound()) {
    if (lock) lock->reset();
    return;
  }
  std::vector<platform::DirEntry> entries;
  if (env->ListDirectory(work_dir, "*", &entries).ok()) {
    for (const auto& e : entries) {
      if (e.name == kWorkLockName || e.name == kFinishedName) continue;
      if (e.is_directory) {
        DeleteTree(work_dir + e.name, env);
      } else {
        (void)env->DeleteFile(work_dir + e.name);
      }
    }
  }
  // The lock file goes while it is still held: a run that made it and
  // waits for its lock then finds it gone from its path and takes another
  // directory, instead of working in one whose lock file is no more.
  auto release = [&] {
    if (lock) lock->reset();
  };
  entries.clear();
  if (!env->ListDirectory(work_dir, "*", &entries).ok()) return release();
  for (const auto& e : entries) {
    if (e.name != kWorkLockName && e.name != kFinishedName) return release();
  }
  const platform::Status gone = env->DeleteFile(work_dir + kFinishedName);
  if (!gone.ok() && !gone.IsNotFound()) return release();
  (void)env->DeleteFile(work_dir + kWorkLockName);
  release();
  (void)env->RemoveDirectory(work_dir);
}

std::string DescribeWhere(platform::Env* env, const CommitPlan& plan) {
  const CommitState st = Inspect(env, plan);
  auto join = [](const std::vector<std::string>& names, const std::string& dir) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? std::string() : out + " w " + dir;
  };
  auto sentence = [](const std::string& what, const std::string& a, const std::string& b) {
    std::string body = a.empty() ? b : b.empty() ? a : a + "; " + b;
    return what + (body.empty() ? "brak" : body) + ".";
  };
  std::vector<std::string> old_in, old_aside, new_from, new_in;
  if (!st.known) {
    // Which names each directory holds, as found: in the table's
    // directory an old name may hold the old file or the new one.
    std::vector<std::string> in_table, in_aside, in_from;
    std::vector<std::string> names = plan.old_files;
    for (const auto& f : plan.new_files) names.push_back(f.name);
    for (const auto& n : names) {
      if (env->FileExists(plan.table_dir + n) &&
          std::find(in_table.begin(), in_table.end(), n) == in_table.end()) {
        in_table.push_back(n);
      }
    }
    for (const auto& n : plan.old_files) {
      if (env->FileExists(plan.aside_dir + n)) in_aside.push_back(n);
    }
    for (const auto& f : plan.new_files) {
      if (env->FileExists(plan.from_dir + f.name)) in_from.push_back(f.name);
    }
    return "Nie wiadomo, jak daleko doszła wymiana plików: nie zmieniono niczego więcej.\n" +
           sentence("W katalogu tabeli: ", join(in_table, plan.table_dir), "") + "\n" +
           sentence("Stare pliki: ", join(in_aside, plan.aside_dir), "") + "\n" +
           sentence("Nowe pliki: ", join(in_from, plan.from_dir), "");
  }
  const size_t first_old = plan.list_name.empty() ? 0 : 1;
  for (size_t i = 0; i < plan.old_files.size(); ++i) {
    (Moved(st, first_old + i) ? old_aside : old_in).push_back(plan.old_files[i]);
  }
  const size_t first_new = FirstNewStep(plan);
  for (size_t i = 0; i < plan.new_files.size(); ++i) {
    (Moved(st, first_new + i) ? new_in : new_from).push_back(plan.new_files[i].name);
  }
  return sentence("Stare pliki: ", join(old_in, plan.table_dir), join(old_aside, plan.aside_dir)) +
         "\n" +
         sentence("Nowe pliki: ", join(new_from, plan.from_dir), join(new_in, plan.table_dir));
}

}  // namespace engine
