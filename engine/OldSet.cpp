// The old table and description set of a job, opened and checked once for
// the division and its dry run.
#include "engine/OldSet.h"

#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/DivisionRequest.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "engine/Recovery.h"
#include "platform/Path.h"
#include "store/Format.h"

namespace engine {

namespace {

// The rows scanned at most for the first addresses of a large table whose
// rows seldom hold one.
constexpr uint32_t kPairScanLimit = 100000;

}  // namespace

JobPaths ResolveJob(platform::Env* env, const TDividerInfo& info) {
  JobPaths p;
  p.table_file = env->ResolvePath(info.TableFile);
  p.data_file = env->ResolvePath(info.DataFile);
  // The working directory is made beside the table (the current directory
  // for a bare name), never in the system's temporary directory.
  p.table_dir = FolderOf(p.table_file);
  CheckSameDirectory(env, p.table_dir, p.data_file, info.TableFile, info.DataFile);
  p.table_name = platform::ExtractFileName(p.table_file);
  p.data_name = platform::ExtractFileName(p.data_file);
  const std::string mdx = ChangeExt(p.table_file, ".mdx");
  if (env->FileExists(mdx)) p.mdx_file = env->ResolvePath(mdx);
  const std::string dbt = ChangeExt(p.table_file, ".dbt");
  if (env->FileExists(dbt)) p.dbt_file = env->ResolvePath(dbt);
  return p;
}

std::vector<std::string> OldFileNames(platform::Env* env, const JobPaths& p) {
  std::vector<std::string> names;
  for (const std::string* f : {&p.table_file, &p.mdx_file, &p.dbt_file}) {
    if (!f->empty()) names.push_back(platform::ExtractFileName(*f));
  }
  std::vector<platform::DirEntry> entries;
  platform::Status s = env->ListDirectory(p.table_dir, "*", &entries);
  if (!s.ok()) throw EngineError(std::string(kMsgCopyIn) + ": " + s.message());
  for (const auto& e : entries) {
    if (e.is_directory || !IsDescriptionSetFile(e.name, p.data_name)) continue;
    bool listed = false;
    for (const auto& n : names) listed = listed || platform::SameNameIgnoringCase(n, e.name);
    if (!listed) names.push_back(e.name);
  }
  return names;
}

OldSet::OldSet(platform::Env* env, bool hold) : env_(env), hold_(hold), table_(env), store_(env) {}

void OldSet::Open(const TDividerInfo& info, const JobPaths& p) {
  OpenFiles(info, p);
  CheckAddressContent(table_, address_, id_, info.AddressField);
  CheckPair(info, p);
}

void OldSet::OpenFiles(const TDividerInfo& info, const JobPaths& p) {
  table_.SetDatabaseName(platform::ExtractFileDir(p.table_file));
  table_.SetTableName(p.table_name);
  table_.SetExclusive(hold_);
  platform::Status opened = table_.Open();
  if (opened.IsBusy() && TableBeingDivided(env_, p.table_dir, p.table_name)) {
    throw EngineError(MsgTableBeingDivided(info.TableFile));
  }
  CheckTableOpen(opened, p.table_file);

  if (hold_) {
    std::string part;
    platform::Status why;
    if (!store_.OpenHeld(p.data_file, &part, &why)) {
      if (why.IsNotFound() && part != p.data_file) throw EngineError(kMsgMissingPart + part);
      if (why.IsBusy()) {
        throw EngineError("Plik opisów " + part + " jest używany przez inny program. " +
                          kMsgCloseOther);
      }
      if (part != p.data_file) throw EngineError(kMsgOpen + part + " (" + why.message() + ")");
      // A file that is no description file is refused as it always was;
      // a system that failed to open or read it says why.
      if (why.code() != platform::Status::Code::kInvalid || store_.LastReadFailedBySystem()) {
        throw EngineError(kMsgOpen + info.DataFile + " (" + why.message() + ")");
      }
      throw EngineError(kMsgOpen + info.DataFile);
    }
  } else {
    if (!store_.Open(p.data_file)) {
      if (store_.LastReadFailedBySystem()) {
        throw EngineError(kMsgOpen + info.DataFile + " (" + store_.LastError() + ")");
      }
      throw EngineError(kMsgOpen + info.DataFile);
    }
    // Every continuation file the header names must be there, as the
    // division demands.
    for (int n = 1; n <= store_.CurrentFile(); ++n) {
      const std::string part = store::ContinuationName(store::BaseNameOf(p.data_file), n);
      if (!env_->FileExists(part)) throw EngineError(kMsgMissingPart + part);
    }
  }

  address_ = table_.FindField(info.AddressField);
  if (address_ < 0) throw EngineError(MsgNoField(info.AddressField, info.TableFile));
  const dbase::FieldDef& def = table_.Fields()[static_cast<size_t>(address_)];
  CheckAddressField(def, info.AddressField);
  address_name_ = def.name;
  id_ = info.CheckID ? table_.FindField("ID") : -1;
}

void OldSet::Close() {
  table_.Close();
  store_.CloseAll();
}

RowKind OldSet::Classify() const {
  const std::string text = table_.GetText(address_);
  if (id_ < 0) return ClassifyRow(text, nullptr);
  const std::string id = table_.GetText(id_);
  return ClassifyRow(text, &id);
}

bool OldSet::HasRecord(int32_t address, uint32_t row) {
  if (store_.HasRecordAt(address)) return true;
  if (store_.LastReadFailedBySystem()) {
    throw EngineError(kMsgRead + ("wiersz " + std::to_string(row) + ", ") + store_.LastError());
  }
  return false;
}

OldSet::Sample OldSet::SampleAddresses(dbase::Table& table, int address, int id) {
  const uint32_t rows = table.RecordCount();
  Sample sample;
  auto probe = [&] {
    const std::string text = table.GetText(address);
    const std::string id_text = id >= 0 ? table.GetText(id) : std::string();
    if (ClassifyRow(text, id >= 0 ? &id_text : nullptr) != RowKind::kRecord) return false;
    ++sample.sampled;
    if (!HasRecord(HexToInt(text), table.RecNo())) ++sample.missed;
    return true;
  };
  auto check = [](const platform::Status& s) {
    if (!s.ok()) throw EngineError(kMsgTable + s.message());
  };
  check(table.First());
  uint32_t found = 0;
  const bool whole = rows <= 2 * kPairSample;
  while (!table.Eof() && (whole || (found < kPairSample && table.RecNo() <= kPairScanLimit))) {
    if (probe()) ++found;
    check(table.Next());
  }
  if (!whole && !table.Eof()) {
    // The rest of the table, evenly.
    const uint32_t scanned = table.RecNo() - 1;
    for (uint32_t k = 0; k < kPairSample; ++k) {
      check(table.GoTo(scanned + 1 +
                       static_cast<uint32_t>(uint64_t{k} * (rows - scanned) / kPairSample)));
      probe();
    }
  }
  return sample;
}

// A description file of another table has records too, but seldom where
// this table's addresses point: when most sampled addresses find no record
// there, the pair is wrong, and dividing would clear most references. A
// file of small records, though, starts a record almost everywhere: there
// another table named like the description file, or paired with it by a
// preset's fixed list, tells whose file it is.
void OldSet::CheckPair(const TDividerInfo& info, const JobPaths& p) {
  const Sample own = SampleAddresses(table_, address_, id_);
  if (own.missed * 2 > own.sampled) {
    throw EngineError(MsgWrongPair(info.DataFile, info.TableFile, own.missed, own.sampled));
  }
  for (const auto& [owner, field] : OwnerCandidates(info, p)) CheckOwner(info, p, owner, field);
}

std::vector<std::pair<std::string, std::string>> OldSet::OwnerCandidates(const TDividerInfo& info,
                                                                         const JobPaths& p) {
  // The table named like the file, with a field named like this table's,
  // and the tables the presets' fixed lists pair with a file of this name
  // in a directory of this name, with the preset's field.
  std::vector<std::pair<std::string, std::string>> candidates = {
      {RemoveExt(p.data_name) + ".dbf", info.AddressField}};
  std::string dir_name = p.table_dir;
  while (!dir_name.empty() && platform::IsPathDelim(dir_name.back())) dir_name.pop_back();
  dir_name = platform::ExtractFileName(dir_name);
  for (int type : {kDivTolm, kDivWertal, kDivKadmor}) {
    for (const PresetPair& pair : PresetPairs(type)) {
      const std::string data = pair.DataPath, table = pair.TablePath;
      const size_t slash = data.rfind('/');
      const std::string folder = slash == std::string::npos ? "" : data.substr(0, slash);
      if (!platform::SameNameIgnoringCase(data.substr(slash + 1), p.data_name)) continue;
      if (!folder.empty() && !platform::SameNameIgnoringCase(folder, dir_name)) continue;
      candidates.push_back({table.substr(table.rfind('/') + 1), PresetAddressField(type)});
    }
  }
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& c : candidates) {
    if (platform::SameNameIgnoringCase(c.first, p.table_name)) continue;
    if (!env_->FileExists(p.table_dir + c.first)) continue;
    bool seen = false;
    for (const auto& o : out) seen = seen || platform::SameNameIgnoringCase(o.first, c.first);
    if (!seen) out.push_back(c);
  }
  return out;
}

// Another table whose addresses fit the file owns it: dividing this table
// would replace the file and leave that one's references pointing at
// nothing.
void OldSet::CheckOwner(const TDividerInfo& info, const JobPaths& p, const std::string& name,
                        const std::string& field_name) {
  const std::string other = env_->ResolvePath(p.table_dir + name);
  dbase::Table owner(env_);
  owner.SetDatabaseName(platform::ExtractFileDir(p.table_file));
  owner.SetTableName(platform::ExtractFileName(other));
  owner.SetExclusive(false);
  const platform::Status opened = owner.Open();
  if (!opened.ok()) {
    // Unknown: the file may well be that table's, so nothing is risked.
    throw EngineError("Plik opisów " + info.DataFile + " może należeć do tabeli " + other +
                      ", której nie udało się sprawdzić (" + opened.message() +
                      "); podział tabeli " + info.TableFile + " nie został rozpoczęty");
  }
  int field = owner.FindField(field_name);
  if (field < 0) field = owner.FindField(info.AddressField);
  if (field < 0 || owner.Fields()[static_cast<size_t>(field)].type != 'C') return;
  const Sample theirs = SampleAddresses(owner, field, -1);
  if (theirs.sampled == 0 || theirs.missed * 2 > theirs.sampled) return;
  throw EngineError(MsgOwnedByAnotherTable(info.DataFile, info.TableFile, other));
}

void OpenNewStore(store::tjxmemo& target, const std::string& path, int32_t max_size_mb) {
  if (!target.CreateNew(path, 0)) {
    throw EngineError(kMsgCreate + path + " (" + target.LastError() + ")");
  }
  target.SplitDepth = 9;
  // The new set is private to the working directory until the commit: one
  // flush of every file after the loop replaces a flush per record.
  target.DeferFlush = true;
  // A limit that did not reach the header would give one unlimited file
  // and report success.
  if (target.SetMaxSize(static_cast<int32_t>(static_cast<uint32_t>(max_size_mb) << 20), "") < 0 ||
      !target.IsOpen()) {
    throw EngineError(kMsgCreate + path + " (" + target.LastError() + ")");
  }
}

}  // namespace engine
