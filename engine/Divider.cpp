// The division run: the hold on the old files, the working copies, the row
// conversion, the flush and check of the new files and the commit that
// exchanges old and new.
#include "engine/Divider.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "dbase/Table.h"
#include "engine/Commit.h"
#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "engine/RecordPipeline.h"
#include "engine/Recovery.h"
#include "engine/RowRule.h"
#include "engine/Verifier.h"
#include "platform/Cp1250.h"
#include "platform/Interrupt.h"
#include "platform/Path.h"
#include "store/jxmemo.h"

namespace engine {

namespace {

// The dropped-reference list is written in pieces of this size.
constexpr size_t kListChunk = 64 * 1024;
// Backup directories drawn whose name another run took meanwhile before
// the run gives up.
constexpr int kBackupDirAttempts = 20;

// A row or the closing of the working copy failed: the table engine's
// reason may be the system's, so it gets a Polish sentence in front.
void CheckRow(const platform::Status& s) {
  if (!s.ok()) throw EngineError(kMsgTable + s.message());
}

[[noreturn]] void FailWith(const std::string& head, const platform::Status& s) {
  throw EngineError(head + ": " + s.message());
}

}  // namespace

// What a run holds open: the hold on the old table and description set,
// the working copy of the table, the new store, the progress window, the
// lock of the working directory and the list of references not copied.
struct TDivider::Session {
  explicit Session(platform::Env* env) : old(env, true), work_table(env), target_store(env) {}
  OldSet old;
  dbase::Table work_table;
  store::tjxmemo target_store;
  std::unique_ptr<ProgressDisplay> progress;
  std::unique_ptr<RecordPipeline> pipeline;  // during the row loop
  std::unique_ptr<platform::File> work_lock;
  std::unique_ptr<platform::File> list;
  std::string list_buffer;
  uint64_t list_offset = 0;
  std::string list_path;  // the list of references not copied
  int address = -1;       // field indexes in work_table
  int id = -1;

  void ReleaseHold() { old.Close(); }
  platform::Status WriteList() {
    platform::Status st = list->WriteAt(list_offset, list_buffer.data(), list_buffer.size());
    list_offset += list_buffer.size();
    list_buffer.clear();
    return st;
  }
};

TDivider::TDivider(const TDividerInfo& Info, platform::Env* env, ProgressDisplayFactory* progress)
    : info_(Info), env_(env), progress_(progress ? progress : NullProgress()) {}

TDivider::~TDivider() = default;

void TDivider::Divide(const std::string& OldDir, std::string& UsedOldDir) {
  ran_ = false;
  counts_ = DivisionCounts();
  dropped_list_.clear();
  notes_.clear();
  warnings_.clear();
  // A run cut short here before may have moved the table aside: it is
  // finished or undone before anything is looked at.
  Repair(FolderOf(env_->ResolvePath(info_.TableFile)));
  try {
    Run(OldDir, UsedOldDir);
  } catch (const EngineError& failed) {
    // What the repair did stays done whatever becomes of this run: the
    // user learns it with the failure.
    if (notes_.empty()) throw;
    std::string msg = failed.what();
    for (const std::string& n : notes_) msg += "\n" + n;
    throw EngineError(msg);
  }
}

void TDivider::Run(const std::string& OldDir, std::string& UsedOldDir) {
  if (!env_->FileExists(info_.TableFile) || !env_->FileExists(info_.DataFile)) {
    // Aside for a moment in another run's exchange is not missing.
    const std::string table = env_->ResolvePath(info_.TableFile);
    if (TableBeingDivided(env_, FolderOf(table), platform::ExtractFileName(table))) {
      throw EngineError(MsgTableBeingDivided(info_.TableFile));
    }
    return;
  }
  ran_ = true;
  CheckMaxSize(info_.MaxSize);
  Paths p;
  static_cast<JobPaths&>(p) = ResolveJob(env_, info_);
  p.list_name = kDroppedListPrefix + p.table_name + kDroppedListSuffix;
  verifier_ = verify_ ? std::make_unique<Verifier>(env_) : nullptr;
  Session s(env_);
  // The old table and description set held and checked; nothing is made
  // before.
  s.old.Open(info_, p);
  Prepare(s, p);
  try {
    Convert(s, p);
    FlushNewFiles(p);
    if (verifier_) {
      s.progress->SetPhase(kPhaseVerify);
      verifier_->SetProgress(
          [&s](uint64_t done, uint64_t total) { s.progress->SetPhaseProgress(done, total); });
      VerifyNewFiles(p);
    }
    CopyPermissions(p);
    // The last moment a stop leaves everything as it was.
    if (platform::InterruptRequested()) throw EngineError(kMsgInterrupted);
  } catch (...) {
    Abandon(s, p);
    throw;
  }
  s.progress->SetPhase(kPhaseCommit);
  Commit(s, p, OldDir, UsedOldDir);
}

void TDivider::Repair(const std::string& dir) {
  if (!env_->DirectoryExists(dir)) return;
  RecoveryReport repaired = RecoverDirectory(env_, dir);
  notes_ = repaired.done;
  if (!repaired.failed.empty()) {
    // What could be repaired was, and is said too.
    std::string msg;
    for (const auto& f : repaired.failed) msg += (msg.empty() ? "" : "\n") + f;
    for (const auto& n : repaired.done) msg += "\n" + n;
    throw EngineError(msg);
  }
}

void TDivider::Prepare(Session& s, Paths& p) {
  p.work_dir = MakeWorkDir(env_, p.table_dir, &s.work_lock);
  try {
    platform::Status st = s.old.table().CopyFilesTo(p.work_dir);
    if (!st.ok()) FailWith(kMsgCopyIn, st);
    // A companion the table does not use (an index without the table's
    // flag) travels too, as it always did.
    for (const std::string* f : {&p.mdx_file, &p.dbt_file}) {
      const std::string target = p.work_dir + platform::ExtractFileName(*f);
      if (f->empty() || env_->FileExists(target)) continue;
      st = env_->CopyFile(*f, target);
      if (!st.ok()) FailWith(kMsgCopyIn, st);
    }
  } catch (...) {
    Abandon(s, p);
    throw;
  }
}

void TDivider::Convert(Session& s, const Paths& p) {
  const std::string work_db = platform::ExtractFileDir(p.work_dir + p.table_name);
  s.work_table.SetDatabaseName(work_db);
  s.work_table.SetTableName(p.table_name);
  s.work_table.SetExclusive(false);
  s.work_table.SetWritableFields({s.old.address_name()});
  CheckTableOpen(s.work_table.Open(), p.work_dir + p.table_name);
  s.address = s.work_table.FindField(s.old.address_name());
  s.list_path = p.work_dir + p.list_name;
  OpenNewStore(s.target_store, p.work_dir + p.data_name, info_.MaxSize);
  // Without an "ID" field there is no marker to look for.
  if (!s.old.check_id()) info_.CheckID = false;
  if (info_.CheckID) s.id = s.work_table.FindField("ID");
  s.progress = progress_->Create(kCaptionPrefix + info_.DataFile,
                                 static_cast<int32_t>(s.work_table.RecordCount()));
  s.progress->Show();

  // With more than one thread, the rows ahead are found through the held
  // table's own cursor, their records read and compressed on the other
  // cores meanwhile; the writer stores them in row order, as they come.
  const unsigned threads =
      threads_ ? threads_ : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  s.pipeline = std::make_unique<RecordPipeline>(&s.old.table(), s.old.address(), s.old.id(),
                                                &s.old.store(), threads);
  RowLoop(s);
  s.pipeline.reset();
  if (!s.target_store.CloseAll()) {
    throw EngineError(std::string(kMsgWrite) + ": " + s.target_store.LastError());
  }
  CheckRow(s.work_table.Close());
  if (s.list) {
    platform::Status st = s.WriteList();
    if (st.ok()) st = s.list->Close();
    s.list.reset();
    if (!st.ok()) FailWith(kMsgWrite, st);
  }
}

void TDivider::RowLoop(Session& s) {
  CheckRow(s.work_table.First());
  for (int32_t row = 0; !s.work_table.Eof(); ++row) {
    if (platform::InterruptRequested()) throw EngineError(kMsgInterrupted);
    if (row % 10 == 0) {
      s.progress->SetBytes(counts_.bytes_written);
      s.progress->SetPosition(row);
    }
    ++counts_.rows;
    const std::string text = s.work_table.GetText(s.address);
    const std::string id_text = info_.CheckID ? s.work_table.GetText(s.id) : std::string();
    const RowKind kind = ClassifyRow(text, info_.CheckID ? &id_text : nullptr);
    if (kind == RowKind::kEmpty) {
      ++counts_.skipped_empty;
    } else if (kind == RowKind::kMarker) {
      ++counts_.skipped_marker;
      // The row keeps its address: what it reads must outlive the old set
      // it reads from.
      const int32_t kept = MarkerAddress(text);
      if (kept != 0 && s.old.HasRecord(kept, s.work_table.RecNo())) {
        ++counts_.marker_kept;
        ListRow(s, text, kReasonMarker);
      }
    } else {
      CheckRow(s.work_table.Edit());
      std::string failure;
      if (kind == RowKind::kNotAddress) {
        DropReference(s, text, kReasonNotAddress);
      } else if (kind == RowKind::kZero) {
        ++counts_.zero_addresses;
        CheckRow(s.work_table.SetText(s.address, std::string(kAddressWidth, '0')));
        if (verifier_) verifier_->AddRow(s.work_table.RecNo(), std::string(kAddressWidth, '0'));
      } else {
        const int32_t old_address = HexToInt(text);
        int32_t size = 0, plain_size = 0, new_address = 0;
        const uint8_t* data = nullptr;
        // Read ahead (and compressed) by the pipeline, or read here.
        RecordPipeline::Record* ahead = s.pipeline->Take(s.work_table.RecNo(), text);
        bool read = false, by_system = false;
        std::string why;
        store::tjxmemo& source = s.old.store();
        if (ahead) {
          read = ahead->read;
          size = static_cast<int32_t>(ahead->data.size());
          data = ahead->data.data();
          plain_size = ahead->plain_size;
          by_system = ahead->system_failure;
          why = ahead->error;
        } else {
          read = source.ReadRecord(size, old_address, data, false, plain_size);
          if (!read) {
            by_system = source.LastReadFailedBySystem();
            why = source.LastError();
          }
        }
        if (read) {
          // A record the pipeline compressed goes to the writer as the
          // store would have compressed it; one it left plain stays so.
          const uint8_t* bytes = data;
          int32_t count = size, plain = plain_size;
          if (ahead && plain_size == 0 && ahead->packed_size > 0) {
            bytes = ahead->packed.get();
            count = ahead->packed_size;
            plain = size;
          }
          s.target_store.CompressRecords = ahead == nullptr;
          if (s.target_store.WriteRecord(count, new_address, bytes, plain)) {
            ++counts_.records_written;
            counts_.bytes_written += static_cast<uint64_t>(size);
            const uint64_t plain_length = static_cast<uint64_t>(plain_size ? plain_size : size);
            counts_.plain_bytes += plain_length;
            counts_.largest_record = std::max(counts_.largest_record, plain_length);
            CheckRow(s.work_table.SetText(s.address, IntToHex8(new_address)));
            if (verifier_) {
              verifier_->AddRecord(s.work_table.RecNo(), new_address, data, size, plain_size);
            }
          } else {
            failure = std::string(kMsgWrite) + ": wiersz " + std::to_string(s.work_table.RecNo()) +
                      ", " + s.target_store.LastError();
          }
        } else if (by_system) {
          // The record may be sound: the system failed to read it. Dropping
          // the reference would lose it once the old file is gone.
          failure = kMsgRead + ("wiersz " + std::to_string(s.work_table.RecNo()) + ", ") + why;
        } else {
          DropReference(s, text, why);
        }
      }
      CheckRow(s.work_table.Post());
      if (!failure.empty()) throw EngineError(failure);
      ++counts_.converted;
    }
    CheckRow(s.work_table.Next());
  }
}

void TDivider::DropReference(Session& s, const std::string& text, const std::string& reason) {
  ++counts_.dropped;
  CheckRow(s.work_table.SetText(s.address, ""));
  if (verifier_) verifier_->AddRow(s.work_table.RecNo(), "");
  ListRow(s, text, reason);
}

void TDivider::ListRow(Session& s, const std::string& text, const std::string& reason) {
  if (!s.list) {
    platform::Status st =
        env_->OpenFile(s.list_path, platform::OpenMode::kCreateExclusive, &s.list);
    if (!st.ok()) throw EngineError(kMsgCreate + s.list_path + " (" + st.message() + ")");
    s.list_buffer =
        "Odwołania, których nie skopiowano przy podziale\n"
        "tabela: " +
        info_.TableFile + "\nplik opisów: " + info_.DataFile + "\n\nwiersz\tadres\tpowód\n";
  }
  s.list_buffer += std::to_string(s.work_table.RecNo()) + "\t" + platform::Cp1250ToUtf8(text) +
                   "\t" + reason + "\n";
  if (s.list_buffer.size() >= kListChunk) {
    platform::Status st = s.WriteList();
    if (!st.ok()) FailWith(kMsgWrite, st);
  }
}

void TDivider::FlushNewFiles(const Paths& p) {
  std::vector<platform::DirEntry> entries;
  platform::Status st = env_->ListDirectory(p.work_dir, "*", &entries);
  if (!st.ok()) FailWith(kMsgWrite, st);
  for (const auto& e : entries) {
    if (e.is_directory || e.name == kWorkLockName) continue;
    std::unique_ptr<platform::File> f;
    uint64_t size = 0;
    st = env_->OpenFile(p.work_dir + e.name, platform::OpenMode::kReadOnlyShared, &f);
    if (st.ok()) st = f->Flush();
    if (st.ok()) st = f->Size(&size);
    if (st.ok()) st = f->Close();
    if (!st.ok()) FailWith(kMsgWrite, st);
    if (IsDescriptionSetFile(e.name, p.data_name)) {
      ++counts_.new_files;
      counts_.new_files_bytes += size;
    }
  }
  st = env_->SyncDirectory(p.work_dir);
  if (!st.ok()) FailWith(kMsgWrite, st);
}

void TDivider::VerifyNewFiles(const Paths& p) {
  verifier_->Verify(p.work_dir + p.data_name, p.work_dir + p.table_name, info_.AddressField,
                    static_cast<int32_t>(static_cast<uint32_t>(info_.MaxSize) << 20));
}

void TDivider::CopyPermissions(const Paths& p) {
  std::vector<platform::DirEntry> entries;
  platform::Status listed = env_->ListDirectory(p.work_dir, "*", &entries);
  if (!listed.ok()) FailWith(kMsgWrite, listed);
  for (const auto& e : entries) {
    if (e.is_directory || e.name == kWorkLockName) continue;
    // A file takes the rights of the old file of its name; a continuation
    // file new to the set those of the description file, anything else
    // (the list of references not copied among them) those of the table.
    std::string from = p.table_dir + e.name;
    if (!env_->FileExists(from)) {
      from = IsDescriptionSetFile(e.name, p.data_name) ? p.data_file : p.table_file;
    }
    platform::Status st = env_->CopyPermissions(from, p.work_dir + e.name);
    if (!st.ok()) {
      throw EngineError("Nie udało się nadać nowemu plikowi uprawnień starego: " + p.work_dir +
                        e.name + " (" + st.message() + ")");
    }
  }
}

void TDivider::Abandon(Session& s, const Paths& p) {
  s.pipeline.reset();
  s.progress.reset();
  s.work_table.Close();
  s.target_store.CloseAll();
  s.list.reset();
  if (!p.work_dir.empty()) RemoveWorkDir(env_, p.work_dir, &s.work_lock);
  s.work_lock.reset();
  s.ReleaseHold();
}

void TDivider::Commit(Session& s, const Paths& p, const std::string& OldDir,
                      std::string& UsedOldDir) {
  // Rows whose old records the new set does not hold keep the old files
  // in a backup directory, whatever the user chose: they are the only copy.
  const bool keep = info_.KeepOld || counts_.OldFilesNeeded();
  CommitPlan plan;
  plan.table_dir = p.table_dir;
  plan.work_dir = p.work_dir;
  plan.from_dir = p.work_dir;
  plan.tables = {p.table_name};
  if (counts_.OldFilesNeeded()) plan.list_name = p.list_name;

  try {
    // The old files: the table's, then the description set. Never
    // another table's, whatever its name.
    plan.old_files = OldFileNames(env_, p);

    // The new files: the description set first in number order, the
    // table's companions, the .dbf last.
    std::vector<platform::DirEntry> entries;
    platform::Status st = env_->ListDirectory(p.work_dir, "*", &entries);
    if (!st.ok()) FailWith(kMsgCopyOut, st);
    std::vector<std::string> set, others;
    for (const auto& e : entries) {
      if (e.is_directory || e.name == kWorkLockName || e.name == plan.list_name) continue;
      (IsDescriptionSetFile(e.name, p.data_name) ? set : others).push_back(e.name);
    }
    std::sort(set.begin(), set.end(), [&](const std::string& a, const std::string& b) {
      return (a == p.data_name) != (b == p.data_name) ? a == p.data_name : a < b;
    });
    std::sort(others.begin(), others.end(), [&](const std::string& a, const std::string& b) {
      return (a == p.table_name) != (b == p.table_name) ? b == p.table_name : a < b;
    });
    set.insert(set.end(), others.begin(), others.end());
    for (const auto& name : set) {
      std::unique_ptr<platform::File> f;
      uint64_t size = 0;
      st = env_->OpenFile(p.work_dir + name, platform::OpenMode::kReadOnlyShared, &f);
      if (st.ok()) st = f->Size(&size);
      if (!st.ok()) FailWith(kMsgCopyOut, st);
      plan.new_files.push_back({name, size});
    }

    // Nothing moves unless every move can be made: each new name is free
    // once the old files are aside, and no old name is taken in the backup.
    auto listed = [](const std::vector<std::string>& names, const std::string& name) {
      return std::any_of(names.begin(), names.end(), [&](const std::string& n) {
        return platform::SameNameIgnoringCase(n, name);
      });
    };
    for (const auto& f : plan.new_files) {
      const std::string target = p.table_dir + f.name;
      if (env_->DirectoryExists(target) ||
          (env_->FileExists(target) &&
           !listed(plan.old_files, platform::ExtractFileName(env_->ResolvePath(target))))) {
        throw EngineError(std::string(kMsgCopyOut) + "\nNazwa nowego pliku jest zajęta: " + target);
      }
    }

    if (keep) {
      if (OldDir.empty()) {
        // A fresh backup directory of its own, never one another run drew
        // at the same moment.
        for (int attempt = 1;; ++attempt) {
          const std::string dir = UniqueName(p.table_dir + "old", "", env_);
          st = env_->CreateNewDirectory(dir);
          if (st.IsExists() && attempt < kBackupDirAttempts) continue;
          if (!st.ok()) throw EngineError(kMsgBackupDir + dir + " (" + st.message() + ")");
          // Named as the system names it now (Windows spells out short
          // names), as the table's directory is, for the journal.
          plan.aside_dir = IncludeBackslash(env_->ResolvePath(dir));
          plan.created_aside = true;
          break;
        }
      } else {
        plan.aside_dir = IncludeBackslash(OldDir);
        plan.created_aside = !env_->DirectoryExists(plan.aside_dir);
        st = env_->CreateDirectories(plan.aside_dir);
        if (!st.ok()) throw EngineError(kMsgBackupDir + plan.aside_dir + " (" + st.message() + ")");
        std::string resolved = plan.aside_dir;
        while (resolved.size() > 1 && platform::IsPathDelim(resolved.back())) resolved.pop_back();
        plan.aside_dir = IncludeBackslash(env_->ResolvePath(resolved));
      }
    } else {
      plan.aside_dir = PrivateAsideDir(p.work_dir);
      plan.private_aside = true;
      plan.created_aside = true;
    }
    std::vector<std::string> aside_names = plan.old_files;
    if (!plan.list_name.empty()) aside_names.push_back(plan.list_name);
    for (const auto& name : aside_names) {
      const std::string target = plan.aside_dir + name;
      if (env_->FileExists(target) || env_->DirectoryExists(target)) {
        throw EngineError(std::string(kMsgCopyIn) + "\nW katalogu kopii jest już plik: " + target);
      }
    }
    if (plan.private_aside) {
      st = env_->CreateDirectories(plan.aside_dir);
      if (!st.ok()) FailWith(kMsgWorkDir, st);
    }
    WriteJournal(env_, plan);
  } catch (...) {
    if (plan.created_aside && !plan.private_aside) (void)env_->RemoveDirectory(plan.aside_dir);
    Abandon(s, p);
    throw;
  }

  try {
    MoveForward(env_, plan);
  } catch (const EngineError& failed) {
    try {
      MoveBack(env_, plan);
    } catch (const EngineError& undo) {
      // Both directions failed: the journal and the working directory stay
      // for the recovery, which needs the lock free.
      s.progress.reset();
      s.work_lock.reset();
      s.ReleaseHold();
      throw EngineError(std::string(failed.what()) + "\n" + undo.what() +
                        "\nDziennik: " + p.work_dir + kJournalName +
                        "\nPo usunięciu przyczyny błędu: podzial-cli " + "recover " + p.table_dir);
    }
    Abandon(s, p);
    throw EngineError(std::string(failed.what()) +
                      "\nNic nie zostało zmienione: stare pliki są na swoim miejscu.");
  }

  // Every file has moved: the hold ends here. The old files are deleted
  // only once the new names are on the disk.
  s.ReleaseHold();
  s.progress.reset();
  warnings_ = CompleteCommit(env_, plan, &s.work_lock);
  if (keep) {
    UsedOldDir = plan.aside_dir;
    if (!plan.list_name.empty()) dropped_list_ = plan.aside_dir + plan.list_name;
  } else {
    // Nothing was kept: an earlier job's backup directory stays the one
    // to report.
    UsedOldDir = OldDir;
  }
}

int32_t TDivider::GetMaxSize() {
  store::tjxmemo probe(env_);
  const int32_t raw = probe.ReadMaxSize(info_.DataFile);
  // 32-bit arithmetic as recorded: a limit near 2 GB wraps to negative.
  const int32_t sum = static_cast<int32_t>(static_cast<uint32_t>(raw) + 524288u);
  const int32_t result = sum / 1048576;
  if (result < 0) throw EngineError(kMsgMaxSize + info_.DataFile);
  return result;
}

}  // namespace engine
