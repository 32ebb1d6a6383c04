// The exchange of old and new files, its journal, and reading back from the
// disk how far it got.
#include "engine/Commit.h"

#include <memory>

#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "platform/Path.h"

namespace engine {

namespace {

constexpr char kJournalHead[] = "podzial-dziennik 1";
constexpr char kJournalEnd[] = "koniec";
// A journal names a few thousand files at most.
constexpr uint64_t kMaxJournalSize = 4 << 20;

std::string ParentDir(const std::string& dir_with_separator) {
  std::string d = dir_with_separator;
  while (d.size() > 1 && d.back() == platform::kPathDelim) d.pop_back();
  return FolderOf(d);
}

MoveState StateOf(platform::Env* env, const std::string& from, const std::string& to,
                  bool both_mean_done) {
  const bool f = env->FileExists(from), t = env->FileExists(to);
  if (f && !t) return MoveState::kNotDone;
  if (!f && t) return MoveState::kDone;
  if (!f && !t) return MoveState::kLost;
  if (env->SameFile(from, to)) return MoveState::kHalf;
  // Two different files: an old file whose name a new one took since, or
  // an old file still in place beside a new one waiting.
  return both_mean_done ? MoveState::kDone : MoveState::kNotDone;
}

uint64_t SizeOf(platform::Env* env, const std::string& path, bool* ok) {
  std::unique_ptr<platform::File> f;
  uint64_t size = 0;
  *ok = env->OpenFile(path, platform::OpenMode::kReadOnlyShared, &f).ok() && f->Size(&size).ok();
  return size;
}

[[noreturn]] void Fail(const std::string& head, const std::string& detail) {
  throw EngineError(head + "\n" + detail);
}

void Move(platform::Env* env, const std::string& from, const std::string& to,
          const std::string& head) {
  platform::Status s = env->MoveFile(from, to);
  if (!s.ok()) Fail(head, s.message());
}

// The second name of a move cut short in the middle goes.
void DropName(platform::Env* env, const std::string& path, const std::string& head) {
  platform::Status s = env->DeleteFile(path);
  if (!s.ok()) Fail(head, s.message());
}

}  // namespace

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
  line("aside", plan.private_aside ? std::string() : plan.aside_dir);
  line("created", plan.created_aside ? "1" : "0");
  line("list", plan.list_name);
  for (const auto& name : plan.old_files) line("old", name);
  for (const auto& f : plan.new_files) line("new", std::to_string(f.size) + "\t" + f.name);
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

bool ReadJournal(platform::Env* env, const std::string& work_dir, CommitPlan* plan) {
  std::unique_ptr<platform::File> f;
  if (!env->OpenFile(work_dir + kJournalName, platform::OpenMode::kReadOnlyShared, &f).ok()) {
    return false;
  }
  uint64_t size = 0;
  if (!f->Size(&size).ok() || size > kMaxJournalSize) return false;
  std::string text(static_cast<size_t>(size), '\0');
  size_t got = 0;
  if (!f->ReadAt(0, text.data(), text.size(), &got).ok() || got != text.size()) return false;

  CommitPlan p;
  p.work_dir = work_dir;
  p.table_dir = ParentDir(work_dir);
  bool head = false, end = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) return false;  // cut short
    const std::string l = text.substr(pos, nl - pos);
    pos = nl + 1;
    if (!head) {
      if (l != kJournalHead) return false;
      head = true;
      continue;
    }
    if (l == kJournalEnd) {
      end = true;
      break;
    }
    const size_t tab = l.find('\t');
    if (tab == std::string::npos) return false;
    const std::string key = l.substr(0, tab), value = l.substr(tab + 1);
    if (key == "aside") {
      p.private_aside = value.empty();
      p.aside_dir = value.empty() ? PrivateAsideDir(work_dir) : value;
    } else if (key == "created") {
      p.created_aside = value == "1";
    } else if (key == "list") {
      p.list_name = value;
    } else if (key == "old") {
      p.old_files.push_back(value);
    } else if (key == "new") {
      const size_t t2 = value.find('\t');
      if (t2 == std::string::npos || t2 == 0) return false;
      CommitPlan::NewFile nf;
      for (size_t i = 0; i < t2; ++i) {
        if (value[i] < '0' || value[i] > '9' || nf.size > (UINT64_MAX - 9) / 10) return false;
        nf.size = nf.size * 10 + static_cast<uint64_t>(value[i] - '0');
      }
      nf.name = value.substr(t2 + 1);
      p.new_files.push_back(nf);
    } else {
      return false;
    }
  }
  if (!end || p.aside_dir.empty()) return false;
  *plan = std::move(p);
  return true;
}

CommitState Inspect(platform::Env* env, const CommitPlan& plan) {
  CommitState st;
  if (!plan.list_name.empty()) {
    st.list = StateOf(env, plan.work_dir + plan.list_name, plan.aside_dir + plan.list_name, true);
  }
  bool new_phase = false;
  for (const auto& f : plan.new_files) {
    st.new_files.push_back(StateOf(env, plan.work_dir + f.name, plan.table_dir + f.name, false));
    new_phase = new_phase || st.new_files.back() == MoveState::kDone ||
                st.new_files.back() == MoveState::kHalf;
  }
  for (const auto& name : plan.old_files) {
    MoveState m = StateOf(env, plan.table_dir + name, plan.aside_dir + name, true);
    // Once new files have come in, every old file had gone aside: a file
    // of an old name in the table's directory is a new one, whatever
    // became of the old one since.
    if (new_phase && m == MoveState::kNotDone) {
      for (const auto& f : plan.new_files) {
        if (f.name == name) m = MoveState::kDone;
      }
    }
    st.old_files.push_back(m);
  }
  return st;
}

bool DropJournal(platform::Env* env, const std::string& work_dir) {
  platform::Status s = env->DeleteFile(work_dir + kJournalName);
  if (!s.ok() && !s.IsNotFound()) return false;
  return env->SyncDirectory(work_dir).ok();
}

bool NewFilesComplete(platform::Env* env, const CommitPlan& plan, const CommitState& state) {
  for (size_t i = 0; i < plan.new_files.size(); ++i) {
    const auto& f = plan.new_files[i];
    std::string where;
    switch (state.new_files[i]) {
      case MoveState::kNotDone:
      case MoveState::kHalf:
        where = plan.work_dir + f.name;
        break;
      case MoveState::kDone:
        where = plan.table_dir + f.name;
        break;
      case MoveState::kLost:
        return false;
    }
    bool ok = false;
    if (SizeOf(env, where, &ok) != f.size || !ok) return false;
  }
  return true;
}

void MoveForward(platform::Env* env, const CommitPlan& plan) {
  const CommitState st = Inspect(env, plan);
  if (!env->DirectoryExists(plan.aside_dir)) {
    platform::Status s = env->CreateDirectories(plan.aside_dir);
    if (!s.ok()) Fail(kMsgWorkDir, s.message());
  }
  if (st.list == MoveState::kNotDone) {
    Move(env, plan.work_dir + plan.list_name, plan.aside_dir + plan.list_name, kMsgCopyIn);
  } else if (st.list == MoveState::kHalf) {
    DropName(env, plan.work_dir + plan.list_name, kMsgCopyIn);
  }
  for (size_t i = 0; i < plan.old_files.size(); ++i) {
    const std::string& name = plan.old_files[i];
    switch (st.old_files[i]) {
      case MoveState::kNotDone:
        Move(env, plan.table_dir + name, plan.aside_dir + name, kMsgCopyIn);
        break;
      case MoveState::kHalf:
        DropName(env, plan.table_dir + name, kMsgCopyIn);
        break;
      case MoveState::kLost:
        Fail(kMsgCopyIn, "Brak pliku: " + plan.table_dir + name);
      case MoveState::kDone:
        break;
    }
  }
  // The old files' new places reach the disk before the new files come in.
  platform::Status s = env->SyncDirectory(plan.aside_dir);
  if (s.ok()) s = env->SyncDirectory(plan.table_dir);
  if (!s.ok()) Fail(kMsgCopyIn, s.message());
  for (size_t i = 0; i < plan.new_files.size(); ++i) {
    const std::string& name = plan.new_files[i].name;
    switch (st.new_files[i]) {
      case MoveState::kNotDone:
        Move(env, plan.work_dir + name, plan.table_dir + name, kMsgCopyOut);
        break;
      case MoveState::kHalf:
        DropName(env, plan.work_dir + name, kMsgCopyOut);
        break;
      case MoveState::kLost:
        Fail(kMsgCopyOut, "Brak nowego pliku: " + plan.work_dir + name);
      case MoveState::kDone:
        break;
    }
  }
}

void MoveBack(platform::Env* env, const CommitPlan& plan) {
  const CommitState st = Inspect(env, plan);
  std::string errors;
  auto note = [&](const platform::Status& s) {
    if (!s.ok()) errors += "\n" + s.message();
  };
  for (size_t i = plan.new_files.size(); i-- > 0;) {
    const std::string& name = plan.new_files[i].name;
    if (st.new_files[i] == MoveState::kDone) {
      note(env->MoveFile(plan.table_dir + name, plan.work_dir + name));
    } else if (st.new_files[i] == MoveState::kHalf) {
      note(env->DeleteFile(plan.table_dir + name));
    }
  }
  for (size_t i = plan.old_files.size(); i-- > 0;) {
    const std::string& name = plan.old_files[i];
    if (st.old_files[i] == MoveState::kDone) {
      note(env->MoveFile(plan.aside_dir + name, plan.table_dir + name));
    } else if (st.old_files[i] == MoveState::kHalf) {
      note(env->DeleteFile(plan.aside_dir + name));
    } else if (st.old_files[i] == MoveState::kLost) {
      errors += "\nBrak pliku: " + plan.table_dir + name;
    }
  }
  // The list belongs to the run that is undone. A plan without one has no
  // name to delete: the bare aside directory is no file of the run.
  if (!plan.list_name.empty() && (st.list == MoveState::kDone || st.list == MoveState::kHalf)) {
    note(env->DeleteFile(plan.aside_dir + plan.list_name));
  }
  note(env->SyncDirectory(plan.table_dir));
  if (plan.created_aside && !plan.private_aside) (void)env->RemoveDirectory(plan.aside_dir);
  if (!errors.empty()) {
    throw EngineError("Nie udało się przywrócić poprzedniego stanu plików:" + errors + "\n" +
                      DescribeWhere(env, plan));
  }
}

void RemoveWorkDir(platform::Env* env, const std::string& work_dir,
                   std::unique_ptr<platform::File>* lock) {
  std::vector<platform::DirEntry> entries;
  if (env->ListDirectory(work_dir, "*", &entries).ok()) {
    for (const auto& e : entries) {
      if (e.name == kWorkLockName) continue;
      if (e.is_directory) {
        DeleteTree(work_dir + e.name, env);
      } else {
        (void)env->DeleteFile(work_dir + e.name);
      }
    }
  }
  if (lock) lock->reset();
  entries.clear();
  if (!env->ListDirectory(work_dir, "*", &entries).ok() || entries.size() > 1) return;
  (void)env->DeleteFile(work_dir + kWorkLockName);
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
  std::vector<std::string> old_in, old_aside, old_lost, new_in, new_work, new_lost;
  for (size_t i = 0; i < plan.old_files.size(); ++i) {
    const MoveState m = st.old_files[i];
    (m == MoveState::kNotDone ? old_in
     : m == MoveState::kLost  ? old_lost
                              : old_aside)
        .push_back(plan.old_files[i]);
  }
  for (size_t i = 0; i < plan.new_files.size(); ++i) {
    const MoveState m = st.new_files[i];
    (m == MoveState::kNotDone ? new_work
     : m == MoveState::kLost  ? new_lost
                              : new_in)
        .push_back(plan.new_files[i].name);
  }
  std::string out =
      sentence("Stare pliki: ", join(old_in, plan.table_dir), join(old_aside, plan.aside_dir)) +
      "\n" + sentence("Nowe pliki: ", join(new_work, plan.work_dir), join(new_in, plan.table_dir));
  for (const auto& n : old_lost) out += "\nNie znaleziono starego pliku: " + n;
  for (const auto& n : new_lost) out += "\nNie znaleziono nowego pliku: " + n;
  return out;
}

}  // namespace engine
