// The division run: preparation of the working copies, the row conversion,
// the flush of the new files and the commit that exchanges old and new.
#include "engine/Divider.h"

#include <memory>
#include <vector>

#include "dbase/Table.h"
#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "engine/Verifier.h"
#include "platform/Path.h"
#include "store/jxmemo.h"

namespace engine {

namespace {

const char kMsgWorkDir[] = "Błąd podczas tworzenia katalogu tymczasowego";
const char kMsgCopyIn[] = "Błąd podczas kopiowania plików do katalogu tymczasowego";
const char kMsgCopyOut[] = "Błąd podczas kopiowania plików z katalogu tymczasowego";
const char kMsgCreate[] = "Nie udało się utworzyć pliku: ";
const char kMsgMaxSize[] = "Błąd podczas odczytu maksymalnego rozmiaru pliku: ";

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

}  // namespace

// What the conversion holds open: the exclusive hold on the old table, the
// old store, the working copy of the table, the new store and the progress
// window.
struct TDivider::Session {
  explicit Session(platform::Env* env)
      : lock_table(env), source_store(env), work_table(env), target_store(env) {}
  dbase::Table lock_table;
  store::tjxmemo source_store;
  dbase::Table work_table;
  store::tjxmemo target_store;
  std::unique_ptr<ProgressWindow> progress;
  int address = -1;  // field indexes in work_table
  int id = -1;
};

TDivider::TDivider(const TDividerInfo& Info, platform::Env* env, ProgressFactory* progress)
    : info_(Info), env_(env), progress_(progress ? progress : NullProgress()) {}

TDivider::~TDivider() = default;

void TDivider::Divide(const std::string& OldDir, std::string& UsedOldDir) {
  ran_ = false;
  counts_ = DivisionCounts();
  if (!env_->FileExists(info_.TableFile) || !env_->FileExists(info_.DataFile)) return;
  ran_ = true;
  CheckMaxSize(info_);
  Paths p;
  verifier_ = verify_ ? std::make_unique<TVerifier>(env_) : nullptr;
  Prepare(p);
  Convert(p);
  FlushNewFiles(p);
  if (verifier_) VerifyNewFiles(p);
  Commit(p, OldDir, UsedOldDir);
}

void TDivider::Prepare(Paths& p) {
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

  const std::string work = UniqueName(p.table_dir + "tmp", ".tmp", env_);
  if (!env_->CreateDirectories(work).ok()) throw EngineError(kMsgWorkDir);
  p.work_dir = IncludeBackslash(work);

  for (const std::string* f : {&p.table_file, &p.mdx_file, &p.dbt_file}) {
    if (f->empty()) continue;
    if (!env_->CopyFile(*f, p.work_dir + platform::ExtractFileName(*f)).ok()) {
      throw EngineError(kMsgCopyIn);
    }
  }
}

void TDivider::Open(Session& s, const Paths& p) {
  s.lock_table.SetDatabaseName(platform::ExtractFileDir(p.table_file));
  s.lock_table.SetTableName(p.table_name);
  s.lock_table.SetExclusive(true);
  const std::string work_db = platform::ExtractFileDir(p.work_dir + p.table_name);
  s.work_table.SetDatabaseName(work_db);
  s.work_table.SetTableName(p.table_name);
  s.work_table.SetExclusive(false);

  CheckOpen(s.lock_table.Open(), p.table_file);
  if (!s.source_store.Open(p.data_file)) throw EngineError(kMsgOpen + info_.DataFile);

  // The table engine wants the fields to be written before it opens, so a
  // read-only look at the working copy finds them first.
  std::string address_name;
  bool has_id = false;
  {
    dbase::Table probe(env_);
    probe.SetDatabaseName(work_db);
    probe.SetTableName(p.table_name);
    CheckOpen(probe.Open(), p.work_dir + p.table_name);
    const int address = probe.FindField(info_.AddressField);
    if (address < 0) throw EngineError(kMsgNoField + info_.AddressField);
    const dbase::FieldDef& def = probe.Fields()[address];
    CheckAddressField(def, info_);
    address_name = def.name;
    has_id = probe.FindField("ID") >= 0;
    CheckOpen(probe.Close(), p.work_dir + p.table_name);
  }
  s.work_table.SetWritableFields({address_name});
  CheckOpen(s.work_table.Open(), p.work_dir + p.table_name);
  s.address = s.work_table.FindField(address_name);

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
    if (has_id) {
      s.id = s.work_table.FindField("ID");
    } else {
      info_.CheckID = false;
    }
  }
  s.progress = progress_->Create("Operacje na pliku: " + info_.DataFile,
                                 static_cast<int32_t>(s.work_table.RecordCount()));
  s.progress->Show();
}

void TDivider::RowLoop(Session& s) {
  CheckRow(s.work_table.First());
  for (int32_t row = 0; !s.work_table.Eof(); ++row) {
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
      const int32_t old_address = HexToInt(text);
      CheckRow(s.work_table.Edit());
      bool write_failed = false;
      std::string read_error;
      if (old_address == 0) {
        ++counts_.zero_addresses;
        CheckRow(s.work_table.SetText(s.address, std::string(kAddressWidth, '0')));
        if (verifier_) verifier_->AddRow(s.work_table.RecNo(), std::string(kAddressWidth, '0'));
      } else {
        int32_t size = 0, plain_size = 0, new_address = 0;
        const uint8_t* data = nullptr;
        if (s.source_store.ReadRecord(size, old_address, data, false, plain_size)) {
          if (s.target_store.WriteRecord(size, new_address, data, plain_size)) {
            ++counts_.records_written;
            counts_.bytes_written += static_cast<uint64_t>(size);
            CheckRow(s.work_table.SetText(s.address, IntToHex8(new_address)));
            if (verifier_) {
              verifier_->AddRecord(s.work_table.RecNo(), new_address, data, size, plain_size);
            }
          } else {
            write_failed = true;
          }
        } else if (s.source_store.LastReadFailedBySystem()) {
          // The record may be sound: the system failed to read it. Dropping
          // the reference would lose it once the old file is gone.
          read_error = kMsgRead + ("wiersz " + std::to_string(s.work_table.RecNo()) + ", ") +
                       s.source_store.LastError();
        } else {
          ++counts_.dropped;
          CheckRow(s.work_table.SetText(s.address, ""));
          if (verifier_) verifier_->AddRow(s.work_table.RecNo(), "");
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

void TDivider::Convert(const Paths& p) {
  Session s(env_);
  try {
    Open(s, p);
    RowLoop(s);
    // Closing writes what the table engine and the store still hold.
    s.progress.reset();
    if (!s.target_store.CloseAll()) throw EngineError(kMsgWrite);
    CheckRow(s.work_table.Close());
  } catch (...) {
    s.progress.reset();
    s.work_table.Close();
    s.target_store.CloseAll();
    DeleteTree(p.work_dir, env_);
    s.lock_table.Close();
    s.source_store.CloseAll();
    throw;
  }
  s.lock_table.Close();
  s.source_store.CloseAll();
}

void TDivider::FlushNewFiles(const Paths& p) {
  try {
    std::vector<platform::DirEntry> entries;
    if (!env_->ListDirectory(p.work_dir, "*", &entries).ok()) throw EngineError(kMsgWrite);
    for (const auto& e : entries) {
      if (e.is_directory) continue;
      std::unique_ptr<platform::File> f;
      if (!env_->OpenFile(p.work_dir + e.name, platform::OpenMode::kReadOnlyShared, &f).ok() ||
          !f->Flush().ok() || !f->Close().ok()) {
        throw EngineError(kMsgWrite);
      }
      if (IsDescriptionSetFile(e.name, p.data_name)) ++counts_.new_files;
    }
    if (!env_->SyncDirectory(p.work_dir).ok()) throw EngineError(kMsgWrite);
  } catch (...) {
    // Nothing in the table's directory has changed yet.
    DeleteTree(p.work_dir, env_);
    throw;
  }
}

void TDivider::VerifyNewFiles(const Paths& p) {
  try {
    verifier_->Verify(p.work_dir + p.data_name, p.work_dir + p.table_name, info_.AddressField,
                      static_cast<int32_t>(static_cast<uint32_t>(info_.MaxSize) << 20));
  } catch (...) {
    // Nothing in the table's directory has changed yet.
    DeleteTree(p.work_dir, env_);
    throw;
  }
}

void TDivider::Commit(const Paths& p, const std::string& OldDir, std::string& UsedOldDir) {
  const std::string stem = RemoveExt(p.data_name);
  std::vector<platform::DirEntry> entries;
  if (info_.KeepOld) {
    std::string old_dir = OldDir;
    if (old_dir.empty()) old_dir = UniqueName(p.table_dir + "old", "", env_);
    if (!env_->CreateDirectories(old_dir).ok()) throw EngineError(kMsgWorkDir);
    old_dir = IncludeBackslash(old_dir);
    for (const std::string* f : {&p.table_file, &p.mdx_file, &p.dbt_file}) {
      if (f->empty()) continue;
      if (!env_->MoveFile(*f, old_dir + platform::ExtractFileName(*f)).ok()) {
        throw EngineError(kMsgCopyIn);
      }
    }
    if (!env_->ListDirectory(p.table_dir, "*", &entries).ok()) throw EngineError(kMsgCopyIn);
    for (const auto& e : entries) {
      if (e.is_directory || !HasStem(e.name, stem)) continue;
      if (!env_->MoveFile(p.table_dir + e.name, old_dir + e.name).ok()) {
        throw EngineError(kMsgCopyIn);
      }
    }
    // The backup's entries reach the disk before the new files come in.
    if (!env_->SyncDirectory(old_dir).ok() || !env_->SyncDirectory(p.table_dir).ok()) {
      throw EngineError(kMsgCopyIn);
    }
    UsedOldDir = old_dir;
  } else {
    env_->DeleteFile(p.table_file);
    env_->DeleteFile(ChangeExt(p.table_file, ".mdx"));
    env_->DeleteFile(ChangeExt(p.table_file, ".dbt"));
    // Only the old description file and its continuation files go; other
    // files that merely share the name stem (a copy the user made, notes)
    // are not the job's to delete.
    if (env_->ListDirectory(p.table_dir, "*", &entries).ok()) {
      for (const auto& e : entries) {
        if (!e.is_directory && IsDescriptionSetFile(e.name, p.data_name)) {
          env_->DeleteFile(p.table_dir + e.name);
        }
      }
    }
    UsedOldDir.clear();
  }

  entries.clear();
  if (!env_->ListDirectory(p.work_dir, "*", &entries).ok()) throw EngineError(kMsgCopyOut);
  for (const auto& e : entries) {
    if (e.is_directory) continue;
    if (!env_->MoveFile(p.work_dir + e.name, p.table_dir + e.name).ok()) {
      throw EngineError(kMsgCopyOut);
    }
  }
  if (!env_->SyncDirectory(p.table_dir).ok()) throw EngineError(kMsgCopyOut);
  DeleteTree(p.work_dir, env_);
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
