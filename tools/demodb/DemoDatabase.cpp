// The database generator.
#include "tools/demodb/DemoDatabase.h"

#include <cstdio>
#include <random>

#include "dbase/TableWriter.h"
#include "platform/Path.h"
#include "store/jxmemo.h"

namespace demodb {

namespace {

const char* const kWords[] = {
    "punkt",     "osnowy",   "pomiarowej", "opis",         "topograficzny", "znak",      "granit",
    "słup",      "betonowy", "przy",       "drodze",       "gminnej",       "odległość", "od",
    "narożnika", "budynku",  "metrów",     "kierunek",     "północny",      "wschód",    "rzeka",
    "most",      "klasa",    "II",         "stabilizacja", "podziemna",     "ścienny",   "reper"};

class Maker {
 public:
  explicit Maker(uint64_t seed) : rng_(seed) {}
  double Uniform() { return std::uniform_real_distribution<double>(0, 1)(rng_); }
  uint32_t Below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng_); }

  std::string Text(size_t size) {
    std::string s;
    s.reserve(size + 16);
    while (s.size() < size) {
      s += kWords[Below(sizeof kWords / sizeof kWords[0])];
      s += Below(12) == 0 ? ".\r\n" : " ";
    }
    s.resize(size);
    return s;
  }

  // Scan-like bytes: short runs of noise, compressing badly.
  std::string Raster(size_t size, bool semi) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; i += 8) {
      uint64_t v = rng_();
      if (semi) v = (v & 0x3F3F3F3F3F3F3F3Full) + 0x2020202020202020ull;
      for (size_t k = 0; k < 8 && i + k < size; ++k) s[i + k] = static_cast<char>(v >> (8 * k));
    }
    return s;
  }

 private:
  std::mt19937_64 rng_;
};

std::string Hex(int32_t v, int style) {
  char buf[16];
  const uint32_t u = static_cast<uint32_t>(v);
  switch (style) {
    case 1:
      std::snprintf(buf, sizeof buf, "%08x", u);  // lower case
      break;
    case 2:
      std::snprintf(buf, sizeof buf, "%X", u);  // no leading zeros
      break;
    default:
      std::snprintf(buf, sizeof buf, "%08X", u);
  }
  return buf;
}

}  // namespace

platform::Status GenerateTable(const TableOptions& o, Generated* out, platform::Env* env) {
  using platform::Status;
  *out = Generated();
  const std::string dir =
      o.dir.empty() || platform::IsPathDelim(o.dir.back()) ? o.dir : o.dir + platform::kPathDelim;
  const std::string data_path = dir + o.data_name;
  if (env->FileExists(data_path)) return Status::Exists(data_path + ": plik istnieje");

  store::tjxmemo data(env);
  if (!data.CreateNew(data_path, 0)) {
    return Status::IOError("Nie udało się utworzyć pliku: " + data_path + " (" + data.LastError() +
                           ")");
  }
  // Nobody sees the new file yet: one flush at the end.
  data.DeferFlush = true;

  dbase::TableLayout layout;
  layout.version = o.with_dbt ? 0x8B : 0x03;
  if (o.with_id) layout.fields.push_back({"ID", 'C', 5});
  layout.fields.push_back({o.address_field, 'C', o.address_length});
  layout.fields.push_back({"NAZWA", 'C', 20});
  if (o.with_dbt) layout.fields.push_back({"UWAGI", 'M', 10});
  if (o.with_mdx) {
    layout.tags.push_back({o.address_field, o.address_field});
    layout.tags.push_back({"NAZWA", "NAZWA"});
  }
  dbase::TableWriter table(env);
  Status s = table.Create(o.dir, o.table_name, layout);
  if (!s.ok()) return s;

  Maker m(o.seed);
  std::vector<int32_t> written;  // addresses of records, for shared rows
  for (uint32_t row = 0; row < o.rows; ++row) {
    GeneratedRow r;
    r.deleted = m.Uniform() < o.deleted;
    char id[8];
    std::snprintf(id, sizeof id, "%05u", row % 100000);
    if (o.with_id) r.id = id;
    const double kind = m.Uniform();
    double edge = 0;
    auto next = [&](double share) {
      edge += share;
      return kind < edge;
    };
    if (next(o.empty)) {
      // No address at all.
    } else if (next(o.zero)) {
      r.address_text = m.Below(2) ? "00000000" : "0";
    } else if (next(o.dangling)) {
      r.address = 0x7FFF0000 + static_cast<int32_t>(m.Below(0x1000));
      r.address_text = Hex(r.address, 0);
    } else if (next(o.shared) && !written.empty()) {
      r.address = written[m.Below(static_cast<uint32_t>(written.size()))];
      r.readable = true;
      r.address_text = Hex(r.address, 0);
    } else {
      const uint32_t lo = o.mean_record / 2 + 1;
      const size_t size = lo + m.Below(o.mean_record + 1);
      const bool raster = m.Uniform() < o.raster;
      const std::string bytes = raster ? m.Raster(size, o.semi_raster) : m.Text(size);
      data.CompressRecords = m.Uniform() < o.compressed;
      int32_t address = 0;
      if (!data.WriteRecord(static_cast<int32_t>(bytes.size()), address,
                            reinterpret_cast<const uint8_t*>(bytes.data()), 0)) {
        return Status::IOError("Błąd podczas zapisu danych: " + data.LastError());
      }
      ++out->records;
      out->stored_bytes += bytes.size();
      written.push_back(address);
      r.address = address;
      r.readable = true;
      r.address_text = Hex(address, m.Below(10) == 0 ? 1 : m.Below(10) == 0 ? 2 : 0);
      // A row drawn to share a record before any was written lands here
      // too: without marker rows asked for, it gets none.
      if (o.with_id && o.marker > 0 && next(o.marker)) r.id = std::string(5, '\xFF');
    }
    if (o.with_id && r.id[0] != '\xFF' && m.Below(200) == 0) {
      r.id = std::string(4, '\xFF');  // one short of the marker: converted
    }
    if (static_cast<int>(r.address_text.size()) > o.address_length) {
      r.address_text = Hex(r.address, 2);
      if (static_cast<int>(r.address_text.size()) > o.address_length) r.address_text.clear();
    }
    std::vector<std::string> texts;
    if (o.with_id) texts.push_back(r.id);
    texts.push_back(r.address_text);
    texts.push_back("wiersz " + std::to_string(row + 1));
    if (o.with_dbt) texts.push_back(m.Below(4) == 0 ? "uwaga do wiersza " + r.id : "");
    s = table.AppendRow(texts, r.deleted);
    if (!s.ok()) return s;
    out->rows.push_back(std::move(r));
  }
  s = table.Finish();
  if (!s.ok()) return s;
  data.FlushAll();
  if (!data.CloseAll()) return Status::IOError("Błąd podczas zapisu danych: " + data.LastError());
  return Status::OK();
}

platform::Status GenerateTolm(const std::string& dir, uint32_t total_mb, uint64_t seed,
                              platform::Env* env) {
  struct Part {
    const char* table;
    const char* data;
    double share;
    uint32_t mean;
    bool dbt;
  } parts[] = {{"opisy.dbf", "opisy.dat", 0.6, 16384, true},
               {"opisyv.dbf", "opisyv.dat", 0.25, 8192, false},
               {"dokopisy.dbf", "dokopisy.dat", 0.15, 4096, false}};
  for (const Part& p : parts) {
    TableOptions o;
    o.dir = dir;
    o.table_name = p.table;
    o.data_name = p.data;
    o.address_field = "OPISTOP";
    o.mean_record = p.mean;
    o.with_dbt = p.dbt;
    o.rows = static_cast<uint32_t>(total_mb * 1048576.0 * p.share / p.mean) + 1;
    o.seed = seed++;
    Generated g;
    platform::Status s = GenerateTable(o, &g, env);
    if (!s.ok()) return s;
  }
  return platform::Status::OK();
}

}  // namespace demodb
