// The table engine: a cursor over .dbf records in physical order with edits
// written back in place. Records are read in chunks; a posted row is
// changed in the chunk and written back with its neighbours' unchanged
// bytes only when they were posted too, so the file changes in exactly the
// posted records, the header's date and the affected index tags.
#include "dbase/Table.h"

#include <algorithm>
#include <cstring>

#include "dbase/Dbf.h"
#include "dbase/IndexKeeper.h"
#include "dbase/Mdx.h"
#include "platform/Path.h"

namespace dbase {

using platform::OpenMode;
using platform::Status;

namespace {

constexpr size_t kChunkBytes = 1 << 20;

std::string Trim(const std::string& s, bool left) {
  size_t e = s.find_last_not_of(' ');
  if (e == std::string::npos) return std::string();
  size_t b = left ? s.find_first_not_of(' ') : 0;
  return s.substr(b, e + 1 - b);
}

}  // namespace

struct Table::Impl {
  platform::Env* env = nullptr;
  std::string dir, name;
  bool exclusive = false;
  std::vector<std::string> writable_names;
  bool index_optional = false;
  bool in_index = false;    // OpenFiles got as far as the production index
  bool skip_index = false;  // open the table as if it had none
  std::string index_problem;

  bool active = false;
  // The memo file is opened only by an exclusive table, to hold it.
  std::unique_ptr<platform::File> dbf, mdx_file, dbt_file;
  std::string dbf_path, mdx_path, dbt_path;
  DbfHeader h;
  MdxFile mdx;
  bool has_mdx = false;
  IndexKeeper keeper;
  std::vector<uint8_t> writable;  // per field

  uint32_t recno = 0;  // current row, 1-based; past the count at the end
  std::vector<uint8_t> chunk;
  uint32_t chunk_first = 1, chunk_count = 0;
  uint32_t dirty_lo = 0, dirty_hi = 0;  // rows of the chunk to write back
  bool editing = false;
  std::vector<uint8_t> edit;
  bool posted = false;

  bool Eof() const { return !active || recno < 1 || recno > h.record_count; }
  const uint8_t* Current() const {
    if (editing) return edit.data();
    return chunk.data() + static_cast<size_t>(recno - chunk_first) * h.record_length;
  }

  Status FlushChunk() {
    if (dirty_lo >= dirty_hi) return Status::OK();
    uint64_t off =
        h.header_length + static_cast<uint64_t>(chunk_first - 1 + dirty_lo) * h.record_length;
    Status s = dbf->WriteAt(off, chunk.data() + static_cast<size_t>(dirty_lo) * h.record_length,
                            static_cast<size_t>(dirty_hi - dirty_lo) * h.record_length);
    dirty_lo = dirty_hi = 0;
    return s;
  }

  Status Load(uint32_t first) {
    Status s = FlushChunk();
    if (!s.ok()) return s;
    const uint32_t per = static_cast<uint32_t>(std::max<size_t>(1, kChunkBytes / h.record_length));
    const uint32_t n = std::min(per, h.record_count - first + 1);
    chunk.resize(static_cast<size_t>(n) * h.record_length);
    size_t got = 0;
    s = dbf->ReadAt(h.header_length + static_cast<uint64_t>(first - 1) * h.record_length,
                    chunk.data(), chunk.size(), &got);
    if (!s.ok()) return s;
    if (got != chunk.size()) return Status::IOError("Tabela " + dbf_path + " została skrócona");
    chunk_first = first;
    chunk_count = n;
    return Status::OK();
  }

  Status MoveTo(uint32_t r) {
    recno = r;
    if (Eof()) return Status::OK();
    if (r >= chunk_first && r < chunk_first + chunk_count) return Status::OK();
    return Load(r);
  }

  void Reset() {
    active = false;
    dbf.reset();
    mdx_file.reset();
    dbt_file.reset();
    has_mdx = false;
    keeper = IndexKeeper();
    editing = false;
    posted = false;
    chunk.clear();
    chunk_count = 0;
    dirty_lo = dirty_hi = 0;
    recno = 0;
  }

  Status OpenFiles();
};

Status Table::Impl::OpenFiles() {
  std::string path = dir;
  if (!path.empty() && !platform::IsPathDelim(path.back())) path += platform::kPathDelim;
  path += name;
  // A name without extension means the .dbf, as the toolkit's tables take it.
  if (name.find('.') == std::string::npos && !env->FileExists(path)) path += ".dbf";
  dbf_path = env->ResolvePath(path);
  if (!env->FileExists(dbf_path)) return Status::NotFound("Nie znaleziono tabeli: " + path);
  const bool write = !writable_names.empty();
  // Exclusive without writing is a hold: everybody else is kept out while
  // this process reads, even of a table whose files are read-only.
  const OpenMode exclusive_mode =
      write ? OpenMode::kReadWriteExclusive : OpenMode::kReadOnlyExclusive;
  OpenMode mode = exclusive ? exclusive_mode
                  : write   ? OpenMode::kReadWriteShared
                            : OpenMode::kReadOnlyShared;
  Status s = env->OpenFile(dbf_path, mode, &dbf);
  if (s.IsBusy()) return Status::Busy("Tabela " + dbf_path + " jest używana przez inny program");
  if (!s.ok())
    return Status::IOError("Nie udało się otworzyć tabeli " + dbf_path + ": " + s.message());

  s = ReadDbfHeader(dbf.get(), dbf_path, &h);
  if (!s.ok()) return s;

  bool memo_fields = false;
  for (const FieldDef& f : h.fields)
    memo_fields = memo_fields || f.type == 'M' || f.type == 'B' || f.type == 'G';
  std::string dbt = CompanionPath(dbf_path, "DBT");
  dbt_path = env->FileExists(dbt) ? env->ResolvePath(dbt) : std::string();
  if (memo_fields && dbt_path.empty())
    return Status::NotFound("Nie znaleziono pliku notatek: " + dbt);
  if (exclusive && !dbt_path.empty()) {
    s = env->OpenFile(dbt_path, exclusive_mode, &dbt_file);
    if (s.IsBusy())
      return Status::Busy("Plik notatek " + dbt_path + " jest używany przez inny program");
    if (!s.ok())
      return Status::IOError("Nie udało się otworzyć pliku notatek " + dbt_path + ": " +
                             s.message());
  }

  writable.assign(h.fields.size(), 0);
  std::vector<int> writable_fields;
  for (const std::string& n : writable_names) {
    for (size_t i = 0; i < h.fields.size(); ++i) {
      if (EqualsIgnoreCase(h.fields[i].name, n) && !writable[i]) {
        writable[i] = 1;
        writable_fields.push_back(static_cast<int>(i));
      }
    }
  }

  in_index = true;
  if (h.production_mdx && !skip_index) {
    std::string mdx_name = CompanionPath(dbf_path, "MDX");
    if (!env->FileExists(mdx_name))
      return Status::NotFound("Nie znaleziono pliku indeksu: " + mdx_name);
    mdx_path = env->ResolvePath(mdx_name);
    OpenMode mm = exclusive ? exclusive_mode
                  : write   ? OpenMode::kReadWriteShared
                            : OpenMode::kReadOnlyShared;
    s = env->OpenFile(mdx_path, mm, &mdx_file);
    if (s.IsBusy())
      return Status::Busy("Plik indeksu " + mdx_path + " jest używany przez inny program");
    if (!s.ok())
      return Status::IOError("Nie udało się otworzyć pliku indeksu " + mdx_path + ": " +
                             s.message());
    s = mdx.Open(mdx_file.get(), mdx_path);
    if (!s.ok()) return s;
    has_mdx = true;
    if (!writable_fields.empty()) {
      s = keeper.Prepare(&mdx, dbf.get(), h, writable_fields);
      if (!s.ok()) return s;
    }
  } else {
    mdx_path.clear();
  }
  return Status::OK();
}

Table::Table(platform::Env* env) : impl_(std::make_unique<Impl>()) {
  impl_->env = env;
}
Table::~Table() {
  Close();
}

void Table::SetDatabaseName(const std::string& dir) {
  impl_->dir = dir;
}
void Table::SetTableName(const std::string& file_name) {
  impl_->name = file_name;
}
void Table::SetExclusive(bool exclusive) {
  impl_->exclusive = exclusive;
}
void Table::SetWritableFields(std::vector<std::string> names) {
  impl_->writable_names = std::move(names);
}

void Table::SetIndexOptional(bool optional) {
  impl_->index_optional = optional;
}

Status Table::Open() {
  Impl& m = *impl_;
  if (m.active) return Status::Invalid("Tabela jest już otwarta");
  m.Reset();
  m.index_problem.clear();
  m.in_index = false;
  Status s = m.OpenFiles();
  if (!s.ok() && m.in_index && m.index_optional && m.writable_names.empty()) {
    // Only the index failed: open again without it and keep the reason.
    m.index_problem = s.message();
    m.Reset();
    m.skip_index = true;
    s = m.OpenFiles();
    m.skip_index = false;
    const std::string mdx = CompanionPath(m.dbf_path, "MDX");
    m.mdx_path = m.env->FileExists(mdx) ? m.env->ResolvePath(mdx) : std::string();
  }
  if (!s.ok()) {
    m.Reset();
    return s;
  }
  m.active = true;
  s = m.MoveTo(1);
  if (!s.ok()) m.Reset();
  return s;
}

Status Table::Close() {
  Impl& m = *impl_;
  if (!m.active) return Status::OK();
  m.editing = false;  // an edit not posted is dropped
  Status s = m.FlushChunk();
  if (s.ok() && m.posted) {
    uint8_t today[3];
    TodayDate(today);
    if (m.keeper.Any()) s = m.keeper.Finish(today);
    if (s.ok()) s = m.dbf->WriteAt(1, today, 3);
  }
  Status c1 = m.mdx_file ? m.mdx_file->Close() : Status::OK();
  if (m.dbt_file) (void)m.dbt_file->Close();  // only ever read
  Status c2 = m.dbf->Close();
  m.Reset();
  if (!s.ok()) return s;
  return c1.ok() ? c2 : c1;
}

Status Table::CopyFilesTo(const std::string& dir) {
  Impl& m = *impl_;
  if (!m.active) return Status::Invalid("Tabela nie jest otwarta");
  Status s = m.FlushChunk();
  if (!s.ok()) return s;
  for (platform::File* f : {m.dbf.get(), m.mdx_file.get(), m.dbt_file.get()}) {
    if (!f) continue;
    std::string target = dir;
    if (!target.empty() && target.back() != '/') target += '/';
    s = platform::CopyOpenFile(m.env, f, target + platform::ExtractFileName(f->Path()));
    if (!s.ok()) return s;
  }
  return Status::OK();
}

bool Table::Active() const {
  return impl_->active;
}

int Table::FindField(const std::string& name) const {
  const auto& f = impl_->h.fields;
  if (!impl_->active) return -1;
  for (size_t i = 0; i < f.size(); ++i)
    if (EqualsIgnoreCase(f[i].name, name)) return static_cast<int>(i);
  return -1;
}

std::vector<std::string> Table::FieldNames() const {
  std::vector<std::string> names;
  if (impl_->active)
    for (const FieldDef& f : impl_->h.fields) names.push_back(f.name);
  return names;
}

const std::vector<FieldDef>& Table::Fields() const {
  return impl_->h.fields;
}
uint8_t Table::Version() const {
  return impl_->h.version;
}
const std::string& Table::MdxPath() const {
  return impl_->mdx_path;
}
const std::string& Table::DbtPath() const {
  return impl_->dbt_path;
}

std::vector<IndexTagInfo> Table::IndexTags() const {
  std::vector<IndexTagInfo> out;
  if (!impl_->has_mdx) return out;
  for (const MdxTag& t : impl_->mdx.Tags())
    out.push_back({t.name, t.expression, t.filter, t.key_type, t.unique, t.descending});
  return out;
}

const std::string& Table::IndexProblem() const {
  return impl_->index_problem;
}

uint32_t Table::RecordCount() const {
  return impl_->active ? impl_->h.record_count : 0;
}

Status Table::First() {
  Impl& m = *impl_;
  if (!m.active) return Status::Invalid("Tabela nie jest otwarta");
  if (m.editing) {
    Status s = Post();
    if (!s.ok()) return s;
  }
  return m.MoveTo(1);
}

bool Table::Eof() const {
  return impl_->Eof();
}

Status Table::Next() {
  Impl& m = *impl_;
  if (!m.active) return Status::Invalid("Tabela nie jest otwarta");
  if (m.editing) {  // moving on posts a pending edit, as the toolkit's tables do
    Status s = Post();
    if (!s.ok()) return s;
  }
  if (m.Eof()) return Status::OK();
  return m.MoveTo(m.recno + 1);
}

Status Table::GoTo(uint32_t recno) {
  Impl& m = *impl_;
  if (!m.active) return Status::Invalid("Tabela nie jest otwarta");
  if (m.editing) {
    Status s = Post();
    if (!s.ok()) return s;
  }
  return m.MoveTo(recno < 1 ? 1 : recno);
}

uint32_t Table::RecNo() const {
  return impl_->Eof() ? 0 : impl_->recno;
}

bool Table::Deleted() const {
  return !impl_->Eof() && impl_->Current()[0] == '*';
}

std::string Table::GetText(int field) const {
  const Impl& m = *impl_;
  if (m.Eof() || field < 0 || field >= static_cast<int>(m.h.fields.size())) return std::string();
  const FieldDef& f = m.h.fields[field];
  std::string raw(reinterpret_cast<const char*>(m.Current()) + 1 + f.offset, f.length);
  return Trim(raw, f.type != 'C');
}

Status Table::Edit() {
  Impl& m = *impl_;
  if (m.Eof()) return Status::Invalid("Brak bieżącego wiersza tabeli");
  if (m.writable_names.empty())
    return Status::Invalid("Tabela " + m.dbf_path + " jest otwarta tylko do odczytu");
  if (m.editing) return Status::OK();
  const uint8_t* cur = m.Current();
  m.edit.assign(cur, cur + m.h.record_length);
  m.editing = true;
  return Status::OK();
}

Status Table::SetText(int field, const std::string& text) {
  Impl& m = *impl_;
  if (!m.editing) return Status::Invalid("Wiersz tabeli nie jest w trybie edycji");
  if (field < 0 || field >= static_cast<int>(m.h.fields.size()))
    return Status::Invalid("Brak pola o numerze " + std::to_string(field));
  const FieldDef& f = m.h.fields[field];
  if (!m.writable[field])
    return Status::Invalid("Pole " + f.name +
                           " nie zostało zgłoszone do zmiany przed otwarciem tabeli");
  if (text.size() > static_cast<size_t>(f.length))
    return Status::Invalid("Tekst \"" + text + "\" jest dłuższy niż pole " + f.name + " (" +
                           std::to_string(f.length) + " znaków)");
  uint8_t* dst = m.edit.data() + 1 + f.offset;
  std::string t = text;
  switch (f.type) {
    case 'C':
      std::memset(dst, ' ', f.length);
      std::memcpy(dst, t.data(), t.size());
      return Status::OK();
    case 'N':
    case 'F':
      t = Trim(t, true);
      if (t.find_first_not_of("+-0123456789.") != std::string::npos)
        return Status::Invalid("Niepoprawna liczba w polu " + f.name + ": " + text);
      std::memset(dst, ' ', f.length);
      std::memcpy(dst + f.length - t.size(), t.data(), t.size());
      return Status::OK();
    case 'D':
      if (!t.empty() && (t.size() != 8 || t.find_first_not_of("0123456789") != std::string::npos))
        return Status::Invalid("Niepoprawna data w polu " + f.name + ": " + text);
      std::memset(dst, ' ', f.length);
      std::memcpy(dst, t.data(), t.size());
      return Status::OK();
    case 'L':
      if (t.size() == 1 && std::string("TtFfYyNn?").find(t[0]) == std::string::npos)
        return Status::Invalid("Niepoprawna wartość logiczna w polu " + f.name + ": " + text);
      dst[0] = t.empty() ? ' ' : static_cast<uint8_t>(t[0]);
      return Status::OK();
    default:
      return Status::Invalid("Pole " + f.name + " typu " + std::string(1, f.type) +
                             " nie może być zmieniane");
  }
}

Status Table::Post() {
  Impl& m = *impl_;
  if (!m.editing) return Status::Invalid("Wiersz tabeli nie jest w trybie edycji");
  uint8_t* row = m.chunk.data() + static_cast<size_t>(m.recno - m.chunk_first) * m.h.record_length;
  if (std::memcmp(row, m.edit.data(), m.h.record_length) == 0) {
    m.editing = false;
    return Status::OK();
  }
  if (m.keeper.Any()) {
    Status s = m.keeper.Update(m.recno, m.edit.data());
    if (!s.ok()) return s;  // still in edit mode, nothing written
  }
  m.editing = false;
  std::memcpy(row, m.edit.data(), m.h.record_length);
  const uint32_t i = m.recno - m.chunk_first;
  if (m.dirty_lo >= m.dirty_hi) {
    m.dirty_lo = i;
    m.dirty_hi = i + 1;
  } else if (i == m.dirty_hi) {
    m.dirty_hi = i + 1;
  } else if (i < m.dirty_lo || i > m.dirty_hi) {
    // Not next to the pending run: write that run first, so that only
    // posted rows are ever written.
    Status s = m.FlushChunk();
    if (!s.ok()) return s;
    m.dirty_lo = i;
    m.dirty_hi = i + 1;
  }
  m.posted = true;
  return Status::OK();
}

}  // namespace dbase
