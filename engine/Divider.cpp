// The division run: the hold on the old files, the working copies, the row
// conversion, the flush and check of the new files and the commit that
// exchanges old and new.
#include "engine/Divider.h"

#include <algorithm>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "dbase/Table.h"
#include "engine/Commit.h"
#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "engine/RecordPipeline.h"
#include "engine/Recovery.h"
#include "engine/Verifier.h"
#include "platform/Cp1250.h"
#include "platform/Interrupt.h"
#include "platform/Path.h"
#include "store/jxmemo.h"

namespace engine {

namespace {

const char kMsgCreate[] = "Nie udało się utworzyć pliku: ";
const char kMsgMaxSize[] = "Błąd podczas odczytu maksymalnego rozmiaru pliku: ";
// The dropped-reference list is written in pieces of this size.
constexpr size_t kListChunk = 64 * 1024;

// Opening a table fails with the table engine's own message; a bare reason
// of the system (a failed read) gets the sentence it lacks.
void CheckOpen(const platform::Status& s, const std::string& table) {
  if (s.ok()) return;
  static const std::string kOpenFailed = "Nie udało się otworzyć tabeli";
  if (s.message().rfind(kOpenFailed, 0) == 0) throw EngineError(s.message());
  throw EngineError(kOpenFailed + " " + table + ": " + s.message());
}

// A row or the closing of the working copy failed: the table engine's
// reason may be the system's, so it gets a Polish sentence in front.
void CheckRow(const platform::Status& s) {
  if (!s.ok()) throw EngineError("Błąd podczas przetwarzania tabeli: " + s.message());
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && HasStem(a, b);
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return SameName(n, name); });
}

}  // namespace

// What a run holds open: the hold on the old table and description set,
// the working copy of the table, the new store, the progress window, the
// lock of the working directory and the list of references not copied.
struct TDivider::Session {
  explicit Session(platform::Env* env)
      : lock_table(env), source_store(env), work_table(env), target_store(env) {}
  dbase::Table lock_table;
  store::tjxmemo source_store;
  dbase::Table work_table;
  store::tjxmemo target_store;
  std::unique_ptr<ProgressDisplay> progress;
  std::unique_ptr<RecordPipeline> pipeline;  // during the row loop
  std::unique_ptr<platform::File> work_lock;
  std::unique_ptr<platform::File> list;
  std::string list_buffer;
  uint64_t list_offset = 0;
  std::string list_path;     // the list of references not copied
  std::string address_name;  // as the table spells it
  bool has_id = false;
  int address = -1;  // field indexes in work_table
  int id = -1;

  void ReleaseHold() {
    lock_table.Close();
    source_store.CloseAll();
  }
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
  if (!env_->FileExists(info_.TableFile) || !env_->FileExists(info_.DataFile)) return;
  ran_ = true;
  CheckMaxSize(info_);
  Paths p;
  Resolve(p);
  verifier_ = verify_ ? std::make_unique<Verifier>(env_) : nullptr;
  Session s(env_);
  Hold(s, p);
  Prepare(s, p);
  try {
    Convert(s, p);
    FlushNewFiles(p);
    if (verifier_) {
      s.progress->SetPhase(kPhaseVerify);
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

void TDivider::Resolve(Paths& p) {
  p.table_file = env_->ResolvePath(info_.TableFile);
  p.data_file = env_->ResolvePath(info_.DataFile);
  // The working directory is made beside the table (the current directory
  // for a bare name), never in the system's temporary directory.
  p.table_dir = FolderOf(p.table_file);
  CheckSameDirectory(env_, p.table_dir, p.data_file, info_);
  p.table_name = platform::ExtractFileName(p.table_file);
  p.data_name = platform::ExtractFileName(p.data_file);
  const std::string mdx = ChangeExt(p.table_file, ".mdx");
  if (env_->FileExists(mdx)) p.mdx_file = env_->ResolvePath(mdx);
  const std::string dbt = ChangeExt(p.table_file, ".dbt");
  if (env_->FileExists(dbt)) p.dbt_file = env_->ResolvePath(dbt);
  p.list_name = kDroppedListPrefix + p.table_name + kDroppedListSuffix;
}

void TDivider::Hold(Session& s, const Paths& p) {
  s.lock_table.SetDatabaseName(platform::ExtractFileDir(p.table_file));
  s.lock_table.SetTableName(p.table_name);
  s.lock_table.SetExclusive(true);
  CheckOpen(s.lock_table.Open(), p.table_file);

  std::string part;
  platform::Status why;
  if (!s.source_store.OpenHeld(p.data_file, &part, &why)) {
    if (why.IsNotFound() && part != p.data_file) throw EngineError(kMsgMissingPart + part);
    if (why.IsBusy()) throw EngineError("Plik opisów " + part + " jest używany przez inny program");
    if (part != p.data_file) throw EngineError(kMsgOpen + part + " (" + why.message() + ")");
    throw EngineError(kMsgOpen + info_.DataFile);
  }

  const int address = s.lock_table.FindField(info_.AddressField);
  if (address < 0) throw EngineError(kMsgNoField + info_.AddressField);
  const dbase::FieldDef& def = s.lock_table.Fields()[static_cast<size_t>(address)];
  CheckAddressField(def, info_);
  s.address_name = def.name;
  s.has_id = s.lock_table.FindField("ID") >= 0;
  const int id = info_.CheckID && s.has_id ? s.lock_table.FindField("ID") : -1;
  CheckAddressContent(s.lock_table, address, id, info_);
}

void TDivider::Prepare(Session& s, Paths& p) {
  const std::string work = UniqueName(p.table_dir + "tmp", ".tmp", env_);
  if (!env_->CreateDirectories(work).ok()) throw EngineError(kMsgWorkDir);
  p.work_dir = IncludeBackslash(work);
  try {
    // Held for the run's life, so that no recovery takes the directory.
    if (!env_->OpenFile(p.work_dir + kWorkLockName, platform::OpenMode::kCreateExclusive,
                        &s.work_lock)
             .ok()) {
      throw EngineError(kMsgWorkDir);
    }
    if (!s.lock_table.CopyFilesTo(p.work_dir).ok()) throw EngineError(kMsgCopyIn);
    // A companion the table does not use (an index without the table's
    // flag) travels too, as it always did.
    for (const std::string* f : {&p.mdx_file, &p.dbt_file}) {
      const std::string target = p.work_dir + platform::ExtractFileName(*f);
      if (!f->empty() && !env_->FileExists(target) && !env_->CopyFile(*f, target).ok()) {
        throw EngineError(kMsgCopyIn);
      }
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
  s.work_table.SetWritableFields({s.address_name});
  CheckOpen(s.work_table.Open(), p.work_dir + p.table_name);
  s.address = s.work_table.FindField(s.address_name);
  s.list_path = p.work_dir + p.list_name;

  const std::string target_file = p.work_dir + p.data_name;
  if (!s.target_store.CreateNew(target_file, 0)) throw EngineError(kMsgCreate + target_file);
  s.target_store.SplitDepth = 9;
  // The new set is private to the working directory until the commit: one
  // flush of every file after the loop replaces a flush per record.
  s.target_store.DeferFlush = true;
  // A limit that did not reach the header would give one unlimited file
  // and report success.
  if (s.target_store.SetMaxSize(static_cast<int32_t>(static_cast<uint32_t>(info_.MaxSize) << 20),
                                "") < 0 ||
      !s.target_store.IsOpen()) {
    throw EngineError(kMsgCreate + target_file);
  }
  if (info_.CheckID) {
    if (s.has_id) {
      s.id = s.work_table.FindField("ID");
    } else {
      info_.CheckID = false;
    }
  }
  s.progress = progress_->Create("Operacje na pliku: " + info_.DataFile,
                                 static_cast<int32_t>(s.work_table.RecordCount()));
  s.progress->Show();

  // With more than one thread, the rows ahead are found through the held
  // table's own cursor, their records read and compressed on the other
  // cores meanwhile; the writer stores them in row order, as they come.
  const unsigned threads =
      threads_ ? threads_ : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  s.pipeline = std::make_unique<RecordPipeline>(
      &s.lock_table, s.lock_table.FindField(info_.AddressField),
      info_.CheckID ? s.lock_table.FindField("ID") : -1, &s.source_store, threads);
  RowLoop(s);
  s.pipeline.reset();
  if (!s.target_store.CloseAll()) throw EngineError(kMsgWrite);
  CheckRow(s.work_table.Close());
  if (s.list) {
    platform::Status st = s.WriteList();
    if (st.ok()) st = s.list->Close();
    s.list.reset();
    if (!st.ok()) throw EngineError(std::string(kMsgWrite) + ": " + st.message());
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
    if (text.empty()) {
      ++counts_.skipped_empty;
    } else if (info_.CheckID && s.work_table.GetText(s.id) == kMarker) {
      ++counts_.skipped_marker;
    } else {
      CheckRow(s.work_table.Edit());
      bool write_failed = false;
      std::string read_error;
      const int32_t old_address = HexToInt(text);
      if (!IsAddressText(text)) {
        DropReference(s, text, kReasonNotAddress);
      } else if (old_address == 0) {
        ++counts_.zero_addresses;
        CheckRow(s.work_table.SetText(s.address, std::string(kAddressWidth, '0')));
        if (verifier_) verifier_->AddRow(s.work_table.RecNo(), std::string(kAddressWidth, '0'));
      } else {
        int32_t size = 0, plain_size = 0, new_address = 0;
        const uint8_t* data = nullptr;
        // Read ahead (and compressed) by the pipeline, or read here.
        RecordPipeline::Record* ahead = s.pipeline->Take(s.work_table.RecNo(), text);
        bool read = false, by_system = false;
        std::string why;
        if (ahead) {
          read = ahead->read;
          size = static_cast<int32_t>(ahead->data.size());
          data = ahead->data.data();
          plain_size = ahead->plain_size;
          by_system = ahead->system_failure;
          why = ahead->error;
        } else {
          read = s.source_store.ReadRecord(size, old_address, data, false, plain_size);
          if (!read) {
            by_system = s.source_store.LastReadFailedBySystem();
            why = s.source_store.LastError();
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
            write_failed = true;
          }
        } else if (by_system) {
          // The record may be sound: the system failed to read it. Dropping
          // the reference would lose it once the old file is gone.
          read_error = kMsgRead + ("wiersz " + std::to_string(s.work_table.RecNo()) + ", ") + why;
        } else {
          DropReference(s, text, why);
        }
      }
      CheckRow(s.work_table.Post());
      if (!read_error.empty()) throw EngineError(read_error);
      if (write_failed) throw EngineError(kMsgWrite);
      ++counts_.converted;
    }
    CheckRow(s.work_table.Next());
  }
}

void TDivider::DropReference(Session& s, const std::string& text, const std::string& reason) {
  ++counts_.dropped;
  CheckRow(s.work_table.SetText(s.address, ""));
  if (verifier_) verifier_->AddRow(s.work_table.RecNo(), "");
  if (!s.list) {
    if (!env_->OpenFile(s.list_path, platform::OpenMode::kCreateExclusive, &s.list).ok()) {
      throw EngineError(kMsgCreate + s.list_path);
    }
    s.list_buffer =
        "Odwołania, których nie skopiowano przy podziale\n"
        "tabela: " +
        info_.TableFile + "\nplik opisów: " + info_.DataFile + "\n\nwiersz\tadres\tpowód\n";
  }
  s.list_buffer += std::to_string(s.work_table.RecNo()) + "\t" + platform::Cp1250ToUtf8(text) +
                   "\t" + reason + "\n";
  if (s.list_buffer.size() >= kListChunk) {
    platform::Status st = s.WriteList();
    if (!st.ok()) throw EngineError(std::string(kMsgWrite) + ": " + st.message());
  }
}

void TDivider::FlushNewFiles(const Paths& p) {
  std::vector<platform::DirEntry> entries;
  if (!env_->ListDirectory(p.work_dir, "*", &entries).ok()) throw EngineError(kMsgWrite);
  for (const auto& e : entries) {
    if (e.is_directory || e.name == kWorkLockName) continue;
    std::unique_ptr<platform::File> f;
    if (!env_->OpenFile(p.work_dir + e.name, platform::OpenMode::kReadOnlyShared, &f).ok() ||
        !f->Flush().ok() || !f->Close().ok()) {
      throw EngineError(kMsgWrite);
    }
    if (IsDescriptionSetFile(e.name, p.data_name)) ++counts_.new_files;
  }
  if (!env_->SyncDirectory(p.work_dir).ok()) throw EngineError(kMsgWrite);
}

void TDivider::VerifyNewFiles(const Paths& p) {
  verifier_->Verify(p.work_dir + p.data_name, p.work_dir + p.table_name, info_.AddressField,
                    static_cast<int32_t>(static_cast<uint32_t>(info_.MaxSize) << 20));
}

void TDivider::CopyPermissions(const Paths& p) {
  std::vector<platform::DirEntry> entries;
  if (!env_->ListDirectory(p.work_dir, "*", &entries).ok()) throw EngineError(kMsgWrite);
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
  // References that could not be copied leave the old files in a backup
  // directory, whatever the user chose: they are the only copy.
  const bool keep = info_.KeepOld || counts_.dropped > 0;
  CommitPlan plan;
  plan.table_dir = p.table_dir;
  plan.work_dir = p.work_dir;
  if (keep) {
    plan.aside_dir =
        IncludeBackslash(OldDir.empty() ? UniqueName(p.table_dir + "old", "", env_) : OldDir);
    plan.created_aside = !env_->DirectoryExists(plan.aside_dir);
  } else {
    plan.aside_dir = PrivateAsideDir(p.work_dir);
    plan.private_aside = true;
    plan.created_aside = true;
  }
  if (counts_.dropped > 0) plan.list_name = p.list_name;

  try {
    // The old files: the table's, then the description set (with KeepOld
    // every file of the stem, else only the set itself: a copy the user
    // made beside it is not the job's to delete).
    for (const std::string* f : {&p.table_file, &p.mdx_file, &p.dbt_file}) {
      if (!f->empty()) plan.old_files.push_back(platform::ExtractFileName(*f));
    }
    const std::string stem = RemoveExt(p.data_name);
    std::vector<platform::DirEntry> entries;
    if (!env_->ListDirectory(p.table_dir, "*", &entries).ok()) throw EngineError(kMsgCopyIn);
    for (const auto& e : entries) {
      if (e.is_directory || Contains(plan.old_files, e.name)) continue;
      if (keep ? HasStem(e.name, stem) : IsDescriptionSetFile(e.name, p.data_name)) {
        plan.old_files.push_back(e.name);
      }
    }

    // The new files: the description set first in number order, the
    // table's companions, the .dbf last.
    if (!env_->ListDirectory(p.work_dir, "*", &entries).ok()) throw EngineError(kMsgCopyOut);
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
      if (!env_->OpenFile(p.work_dir + name, platform::OpenMode::kReadOnlyShared, &f).ok() ||
          !f->Size(&size).ok()) {
        throw EngineError(kMsgCopyOut);
      }
      plan.new_files.push_back({name, size});
    }

    // Nothing moves unless every move can be made: each new name is free
    // once the old files are aside, and no old name is taken in the backup.
    for (const auto& f : plan.new_files) {
      const std::string target = p.table_dir + f.name;
      if (env_->DirectoryExists(target) ||
          (env_->FileExists(target) &&
           !Contains(plan.old_files, platform::ExtractFileName(env_->ResolvePath(target))))) {
        throw EngineError(std::string(kMsgCopyOut) + "\nNazwa nowego pliku jest zajęta: " + target);
      }
    }
    std::vector<std::string> aside_names = plan.old_files;
    if (!plan.list_name.empty()) aside_names.push_back(plan.list_name);
    for (const auto& name : aside_names) {
      const std::string target = plan.aside_dir + name;
      if (env_->FileExists(target) || env_->DirectoryExists(target)) {
        throw EngineError(std::string(kMsgCopyIn) + "\nW katalogu kopii jest już plik: " + target);
      }
    }
    if (!env_->CreateDirectories(plan.aside_dir).ok()) throw EngineError(kMsgWorkDir);
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

  // Every file has moved: the hold ends here.
  s.ReleaseHold();
  if (!env_->SyncDirectory(p.table_dir).ok()) {
    notes_.push_back("Nie udało się zapisać na dysk zmian w katalogu " + p.table_dir);
  }
  if (keep) {
    UsedOldDir = plan.aside_dir;
    if (!plan.list_name.empty()) dropped_list_ = plan.aside_dir + plan.list_name;
  } else {
    // Nothing was kept: an earlier job's backup directory stays the one
    // to report.
    UsedOldDir = OldDir;
  }
  // Marked finished first: a half-emptied private directory beside the
  // journal would be taken for a commit still to do.
  if (MarkFinished(env_, p.work_dir)) RemoveWorkDir(env_, p.work_dir, &s.work_lock);
  if (env_->DirectoryExists(plan.aside_dir) && plan.private_aside) {
    notes_.push_back("Nie udało się usunąć starych plików: " + plan.aside_dir);
  } else if (env_->DirectoryExists(p.work_dir)) {
    notes_.push_back("Nie udało się usunąć katalogu roboczego: " + p.work_dir);
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
