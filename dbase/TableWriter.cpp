// Writing new tables. Records are gathered in a buffer and written in large
// pieces; the record count goes into the header at Finish. The index is
// built afterwards from the rows on disk, so that it is computed by the same
// key code that keeps an opened table's tags in step.
#include "dbase/TableWriter.h"

#include <algorithm>
#include <cstring>

#include "dbase/Dbf.h"
#include "dbase/Mdx.h"
#include "dbase/TagKeys.h"
#include "platform/Coding.h"
#include "platform/Path.h"

namespace dbase {

using platform::Status;

namespace {

constexpr size_t kWriteBuffer = 1 << 20;
constexpr size_t kMaxTags = 47;  // 544 + 47*32 = 2048: tag table ends where tag headers start

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::string BaseName(const std::string& path) {
  size_t slash = platform::LastPathDelim(path);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool IsMemoType(char t) {
  return t == 'M' || t == 'B' || t == 'G';
}

Status Bad(const std::string& msg) {
  return Status::Invalid(msg);
}

}  // namespace

struct TableWriter::Impl {
  platform::Env* env;
  TableLayout layout;
  DbfHeader header;
  std::unique_ptr<platform::File> dbf, dbt;
  std::string dbf_path, dbt_path, mdx_path;
  std::vector<uint8_t> buffer;
  uint64_t written = 0;  // bytes of records already on disk
  uint32_t rows = 0;
  uint32_t next_block = 1;  // memo append point
  bool dbase3_memo = false;

  Status FlushBuffer() {
    if (buffer.empty()) return Status::OK();
    Status s = dbf->WriteAt(header.header_length + written, buffer.data(), buffer.size());
    written += buffer.size();
    buffer.clear();
    return s;
  }

  Status WriteMemo(const std::string& text, uint32_t* block) {
    if (!dbt) return Bad("Tabela nie ma pliku notatek");
    const size_t bs = dbase3_memo ? 512 : layout.memo_block_size;
    std::vector<uint8_t> data;
    if (dbase3_memo) {
      if (text.find('\x1A') != std::string::npos) return Bad("Notatka zawiera znak 0x1A");
      data.assign(text.begin(), text.end());
      data.push_back(0x1A);
      data.push_back(0x1A);
    } else {
      data.resize(8);
      data[0] = 0xFF;
      data[1] = 0xFF;
      data[2] = 0x08;
      data[3] = 0x00;
      platform::EncodeU32(data.data() + 4, static_cast<uint32_t>(text.size() + 8));
      data.insert(data.end(), text.begin(), text.end());
    }
    data.resize((data.size() + bs - 1) / bs * bs, 0);
    *block = next_block;
    Status s = dbt->WriteAt(static_cast<uint64_t>(next_block) * bs, data.data(), data.size());
    next_block += static_cast<uint32_t>(data.size() / bs);
    return s;
  }

  Status WriteMemoHeader() {
    const size_t bs = dbase3_memo ? 512 : layout.memo_block_size;
    std::vector<uint8_t> h(bs, 0);
    platform::EncodeU32(h.data(), next_block);
    if (!dbase3_memo) {
      std::string base = UpperAscii(BaseName(dbf_path)).substr(0, 8);
      std::memcpy(h.data() + 8, base.data(), base.size());
      h[18] = 0x02;
      h[19] = 0x01;
      platform::EncodeU16(h.data() + 20, static_cast<uint16_t>(bs));
    }
    return dbt->WriteAt(0, h.data(), h.size());
  }
};

TableWriter::TableWriter(platform::Env* env) : impl_(std::make_unique<Impl>()) {
  impl_->env = env;
}
TableWriter::~TableWriter() = default;

const std::string& TableWriter::DbtPath() const {
  return impl_->dbt_path;
}
const std::string& TableWriter::MdxPath() const {
  return impl_->mdx_path;
}

Status TableWriter::Create(const std::string& dir, const std::string& file_name,
                           const TableLayout& layout) {
  Impl& m = *impl_;
  if (m.dbf) return Bad("Tabela jest już tworzona");
  m.layout = layout;
  m.header = DbfHeader();
  m.header.version = layout.version;
  m.header.language_driver = layout.language_driver;
  m.header.driver_name = "DBWINUS0";
  HeaderDate(layout.year, layout.month, layout.day, m.header.updated);
  bool memo_field = false;
  for (const FieldLayout& f : layout.fields) {
    FieldDef d;
    d.name = UpperAscii(f.name);
    d.type = f.type;
    d.length = f.length;
    d.decimals = f.decimals;
    memo_field = memo_field || IsMemoType(f.type);
    m.header.fields.push_back(d);
  }
  std::vector<uint8_t> bytes;
  std::string error;
  if (!EncodeDbfHeader(&m.header, &bytes, &error))
    return Bad("Nie można utworzyć tabeli: " + error);
  const bool memo_file = (layout.version & 0x80) != 0;
  if (memo_field && !memo_file)
    return Bad("Nie można utworzyć tabeli: pola notatek wymagają typu tabeli z plikiem notatek");
  m.dbase3_memo = layout.version == 0x83;
  if (memo_file && !m.dbase3_memo &&
      (layout.memo_block_size < 64 || layout.memo_block_size % 64 != 0))
    return Bad("Nie można utworzyć tabeli: niedozwolony rozmiar bloku notatek");
  if (!layout.tags.empty() && m.header.level7)
    return Bad("Nie można utworzyć tabeli: indeks tabeli poziomu 7 nie jest obsługiwany");
  std::string d = dir;
  if (!d.empty() && !platform::IsPathDelim(d.back())) d += platform::kPathDelim;
  m.dbf_path = d + file_name;
  m.dbt_path = memo_file ? CompanionPath(m.dbf_path, "DBT") : std::string();
  m.mdx_path = layout.tags.empty() ? std::string() : CompanionPath(m.dbf_path, "MDX");
  for (const std::string* p : {&m.dbt_path, &m.mdx_path})
    if (!p->empty() && m.env->FileExists(*p)) return Status::Exists("Plik już istnieje: " + *p);
  Status s = m.env->OpenFile(m.dbf_path, platform::OpenMode::kCreateExclusive, &m.dbf);
  if (!s.ok()) return s;
  s = m.dbf->WriteAt(0, bytes.data(), bytes.size());
  if (!s.ok()) return s;
  if (memo_file) {
    s = m.env->OpenFile(m.dbt_path, platform::OpenMode::kCreateExclusive, &m.dbt);
    if (!s.ok()) return s;
  }
  m.written = 0;
  m.rows = 0;
  m.next_block = 1;
  return Status::OK();
}

Status TableWriter::AppendRow(const std::vector<std::string>& texts, bool deleted) {
  Impl& m = *impl_;
  if (!m.dbf) return Bad("Tabela nie została utworzona");
  const auto& fields = m.header.fields;
  if (texts.size() != fields.size())
    return Bad("Wiersz ma " + std::to_string(texts.size()) + " wartości, a tabela " +
               std::to_string(fields.size()) + " pól");
  if (m.rows == 0xFFFFFFFFu) return Bad("Za dużo wierszy");
  std::vector<uint8_t> rec(m.header.record_length, ' ');
  rec[0] = deleted ? '*' : ' ';
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldDef& f = fields[i];
    std::string t = texts[i];
    uint8_t* dst = rec.data() + 1 + f.offset;
    const std::string too_long = "Tekst dłuższy niż pole " + f.name + ": " + texts[i];
    switch (f.type) {
      case 'C':
        if (t.size() > static_cast<size_t>(f.length)) return Bad(too_long);
        std::memcpy(dst, t.data(), t.size());
        break;
      case 'N':
      case 'F': {
        while (!t.empty() && t.front() == ' ') t.erase(0, 1);
        while (!t.empty() && t.back() == ' ') t.pop_back();
        if (t.find_first_not_of("+-0123456789.eE") != std::string::npos)
          return Bad("Niepoprawna liczba w polu " + f.name + ": " + texts[i]);
        if (t.size() > static_cast<size_t>(f.length)) return Bad(too_long);
        std::memcpy(dst + f.length - t.size(), t.data(), t.size());
        break;
      }
      case 'D':
        if (!t.empty() && (t.size() != 8 || t.find_first_not_of("0123456789") != std::string::npos))
          return Bad("Niepoprawna data w polu " + f.name + ": " + texts[i]);
        std::memcpy(dst, t.data(), t.size());
        break;
      case 'L':
        if (t.size() > 1 ||
            (t.size() == 1 && std::string("TtFfYyNn?").find(t[0]) == std::string::npos))
          return Bad("Niepoprawna wartość logiczna w polu " + f.name + ": " + texts[i]);
        if (!t.empty()) dst[0] = static_cast<uint8_t>(t[0]);
        break;
      default:  // memo types: the text goes to the .dbt
        if (!t.empty()) {
          uint32_t block = 0;
          Status s = m.WriteMemo(t, &block);
          if (!s.ok()) return s;
          std::string num = std::to_string(block);
          std::memcpy(dst + f.length - num.size(), num.data(), num.size());
        }
        break;
    }
  }
  m.buffer.insert(m.buffer.end(), rec.begin(), rec.end());
  ++m.rows;
  if (m.buffer.size() >= kWriteBuffer) return m.FlushBuffer();
  return Status::OK();
}

Status TableWriter::Finish() {
  Impl& m = *impl_;
  if (!m.dbf) return Bad("Tabela nie została utworzona");
  Status s = m.FlushBuffer();
  if (!s.ok()) return s;
  const uint8_t eof = 0x1A;
  if (!m.header.level7) {
    s = m.dbf->WriteAt(m.header.header_length + m.written, &eof, 1);
    if (!s.ok()) return s;
  }
  uint8_t count[4];
  platform::EncodeU32(count, m.rows);
  s = m.dbf->WriteAt(4, count, 4);
  if (!s.ok()) return s;
  s = m.dbf->Close();
  m.dbf.reset();
  if (!s.ok()) return s;
  if (m.dbt) {
    s = m.WriteMemoHeader();
    if (s.ok()) s = m.dbt->Close();
    m.dbt.reset();
    if (!s.ok()) return s;
  }
  if (!m.layout.tags.empty())
    return WriteProductionIndex(m.env, m.dbf_path, m.layout.tags, m.layout.year, m.layout.month,
                                m.layout.day, m.layout.mdx);
  return Status::OK();
}

Status WriteProductionIndex(platform::Env* env, const std::string& dbf_path,
                            const std::vector<TagLayout>& tags, int year, int month, int day,
                            const MdxLayout& mdx_layout) {
  if (tags.empty() || tags.size() > kMaxTags)
    return Bad("Indeks musi mieć od 1 do " + std::to_string(kMaxTags) + " znaczników");
  const std::string mdx_path = CompanionPath(dbf_path, "MDX");
  if (env->FileExists(mdx_path)) return Status::Exists("Plik już istnieje: " + mdx_path);
  std::unique_ptr<platform::File> dbf;
  Status s = env->OpenFile(dbf_path, platform::OpenMode::kReadWriteExclusive, &dbf);
  if (!s.ok()) return s;
  DbfHeader h;
  s = ReadDbfHeader(dbf.get(), dbf_path, &h);
  if (!s.ok()) return s;
  if (h.level7) return Bad("Indeks tabeli poziomu 7 nie jest obsługiwany");
  uint8_t today[3];
  HeaderDate(year, month, day, today);

  const size_t ppb = mdx_layout.pages_per_block, block = ppb * kMdxPage;
  if (ppb < 1 || ppb > 32 || mdx_layout.node_reserve < 8 || mdx_layout.node_reserve > 12)
    return Bad("Niedozwolony układ bloków indeksu");
  std::string error;
  std::vector<MdxTag> mtags;
  std::vector<TagKeys> keys(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagLayout& ts = tags[i];
    MdxTag t;
    t.number = static_cast<int>(i + 1);
    t.name = UpperAscii(ts.name);
    t.expression = ts.expression;
    t.filter = ts.filter;
    t.unique = ts.unique;
    t.descending = ts.descending;
    if (t.name.empty() || t.name.size() > 10)
      return Bad("Niedozwolona nazwa znacznika: " + ts.name);
    for (const MdxTag& o : mtags)
      if (o.name == t.name) return Bad("Powtórzona nazwa znacznika: " + ts.name);
    if (t.expression.size() >= kMdxMaxExpression ||
        (!t.filter.empty() && t.filter.size() + kMdxFilterOffset >= block))
      return Bad("Za długie wyrażenie znacznika " + t.name);
    Expression e;
    if (!e.Parse(t.expression, h.fields, &error))
      return Bad("Znacznik " + t.name + " (" + t.expression + "): " + error);
    t.key_type = e.Type();
    if (t.key_type != 'C' && t.key_type != 'N' && t.key_type != 'D')
      return Bad("Znacznik " + t.name + " (" + t.expression + "): nieobsługiwany typ klucza");
    size_t len = t.key_type == 'C' ? static_cast<size_t>(e.Width()) : t.key_type == 'N' ? 12 : 8;
    if (len < 1 || len > 100) return Bad("Znacznik " + t.name + ": niedozwolona długość klucza");
    NodeLayout l = MakeNodeLayout(block, len, mdx_layout.node_reserve);
    if (l.max_keys < 2) return Bad("Znacznik " + t.name + ": klucz za długi na węzeł indeksu");
    t.key_length = static_cast<uint16_t>(len);
    t.item_length = static_cast<uint16_t>(l.item_length);
    t.max_keys = static_cast<uint16_t>(l.max_keys);
    t.key_format = static_cast<uint8_t>(0x10 | (t.descending ? 0x08 : 0) | (t.unique ? 0x40 : 0));
    t.header_page = static_cast<uint32_t>(4 + i * ppb);
    if (!keys[i].Init(t, h.fields, h.language_driver, &error))
      return Bad("Znacznik " + t.name + " (" + t.expression + "): " + error);
    mtags.push_back(t);
  }

  // Keys of every row, read in large pieces.
  std::vector<std::vector<uint8_t>> key_bytes(tags.size()), covered(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    key_bytes[i].resize(static_cast<size_t>(h.record_count) * mtags[i].key_length);
    covered[i].resize(h.record_count);
  }
  const size_t per_chunk = std::max<size_t>(1, kWriteBuffer / h.record_length);
  std::vector<uint8_t> chunk;
  size_t got = 0;
  for (uint32_t first = 0; first < h.record_count;) {
    size_t n = std::min<size_t>(per_chunk, h.record_count - first);
    chunk.resize(n * h.record_length);
    s = dbf->ReadAt(h.header_length + static_cast<uint64_t>(first) * h.record_length, chunk.data(),
                    chunk.size(), &got);
    if (!s.ok()) return s;
    if (got != chunk.size()) return Bad("Tabela skrócona: " + dbf_path);
    for (size_t r = 0; r < n; ++r) {
      for (size_t i = 0; i < tags.size(); ++i) {
        bool cov = false;
        std::string why;
        uint8_t* k = key_bytes[i].data() + (first + r) * mtags[i].key_length;
        if (!keys[i].Make(chunk.data() + r * h.record_length, &cov, k, &why))
          return Bad("Znacznik " + mtags[i].name + " (" + mtags[i].expression + "), wiersz " +
                     std::to_string(first + r + 1) + ": " + why);
        covered[i][first + r] = cov ? 1 : 0;
      }
    }
    first += static_cast<uint32_t>(n);
  }

  // Layout: header and tag table in pages 0-3, tag headers, then the trees.
  uint32_t next_page = static_cast<uint32_t>(4 + tags.size() * ppb);
  auto allocate = [&]() {
    uint32_t p = next_page;
    next_page += ppb;
    return p;
  };
  std::vector<TreeImage> trees(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    TagEntries sorted;
    keys[i].Order(key_bytes[i], covered[i], nullptr, &sorted);
    BuildTree(MakeNodeLayout(block, mtags[i].key_length, mdx_layout.node_reserve), sorted, allocate,
              &trees[i]);
    mtags[i].root = trees[i].root;
    mtags[i].pages_allocated = static_cast<uint32_t>((trees[i].nodes.size() + 1) * ppb);
    key_bytes[i].clear();
    key_bytes[i].shrink_to_fit();
    key_bytes[i].push_back(sorted.size() > 0);  // remembered for byte 246
  }
  std::vector<uint8_t> out(static_cast<size_t>(next_page) * kMdxPage, 0);
  uint8_t* p = out.data();
  p[0] = 2;
  std::memcpy(p + 1, today, 3);
  std::string base = UpperAscii(BaseName(dbf_path)).substr(0, 16);
  std::memcpy(p + 4, base.data(), base.size());
  platform::EncodeU16(p + 20, ppb);
  platform::EncodeU16(p + 22, block);
  p[24] = 1;
  p[25] = 48;
  p[26] = 32;
  platform::EncodeU16(p + 28, static_cast<uint16_t>(tags.size()));
  p[30] = static_cast<uint8_t>(tags.size() + 1);
  p[31] = h.language_driver;
  platform::EncodeU32(p + 32, next_page);
  std::memcpy(p + 44, today, 3);
  p[529] = 1;
  for (size_t i = 0; i < mtags.size(); ++i) {
    const MdxTag& t = mtags[i];
    uint8_t* e = p + kMdxTagTable + i * 32;
    platform::EncodeU32(e, t.header_page);
    std::memcpy(e + 4, t.name.data(), t.name.size());
    e[15] = 0x10;
    e[19] = 0x02;
    e[20] = static_cast<uint8_t>(t.key_type);
    // Tags threaded into a search tree by name, in tag order.
    if (i > 0) {
      size_t at = 0;
      for (;;) {
        uint8_t* node = p + kMdxTagTable + at * 32;
        int slot = t.name < mtags[at].name ? 16 : 17;
        if (node[slot] == 0) {
          node[slot] = static_cast<uint8_t>(i + 1);
          e[18] = static_cast<uint8_t>(at + 1);
          break;
        }
        at = node[slot] - 1u;
      }
    }
    uint8_t* th = p + static_cast<size_t>(t.header_page) * kMdxPage;
    platform::EncodeU32(th, t.root);
    platform::EncodeU32(th + 4, t.pages_allocated);
    th[8] = t.key_format;
    th[9] = static_cast<uint8_t>(t.key_type);
    th[11] = h.language_driver;
    platform::EncodeU16(th + 12, t.key_length);
    platform::EncodeU16(th + 14, t.max_keys);
    platform::EncodeU16(th + 16, t.key_type == 'D' ? 1 : 0);
    platform::EncodeU16(th + 18, t.item_length);
    th[20] = 1;
    th[23] = t.unique ? 1 : 0;
    std::memcpy(th + 24, t.expression.data(), t.expression.size());
    th[245] = t.filter.empty() ? 0 : 1;
    th[246] = key_bytes[i][0];
    platform::EncodeU32(th + 248, trees[i].first_leaf);
    platform::EncodeU32(th + 252, trees[i].root);
    std::memcpy(th + 257, today, 3);
    Expression e1;
    e1.Parse(t.expression, h.fields, &error);
    th[480] = e1.IsSingleField() ? 1 : 0;
    std::memcpy(th + kMdxFilterOffset, t.filter.data(), t.filter.size());
    for (size_t n = 0; n < trees[i].nodes.size(); ++n)
      std::memcpy(p + static_cast<size_t>(trees[i].pages[n]) * kMdxPage, trees[i].nodes[n].data(),
                  block);
  }
  std::unique_ptr<platform::File> mdx;
  s = env->OpenFile(mdx_path, platform::OpenMode::kCreateExclusive, &mdx);
  if (!s.ok()) return s;
  s = mdx->WriteAt(0, out.data(), out.size());
  if (s.ok()) s = mdx->Close();
  if (!s.ok()) return s;
  // The table now names its production index; fields that are a tag's whole
  // key get the descriptor's index flag, as dBASE sets it.
  const uint8_t flag = 1;
  s = dbf->WriteAt(28, &flag, 1);
  if (!s.ok()) return s;
  for (size_t f = 0; f < h.fields.size(); ++f) {
    for (const MdxTag& t : mtags) {
      if (EqualsIgnoreCase(t.expression, h.fields[f].name) && t.filter.empty()) {
        s = dbf->WriteAt(32 + f * 32 + 31, &flag, 1);
        if (!s.ok()) return s;
        break;
      }
    }
  }
  return dbf->Close();
}

}  // namespace dbase
