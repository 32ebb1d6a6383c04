// Compression levels on the records of a generated set: every record the
// table points to is read plain and compressed by the store's rule at
// level 6 (the baseline) and at the levels compared, in the same run. For
// each level: MB/s of plain input and its ratio to level 6, and the bytes
// of the new set (each record's chain of blocks) against level 6.
//   bench_levels TABLE.dbf FILE.dat FIELD [MAX_MB]   (MAX_MB: plain bytes
//   kept for the comparison, 256 by default)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dbase/Table.h"
#include "engine/Common.h"
#include "engine/RowRule.h"
#include "platform/Path.h"
#include "store/Compression.h"
#include "store/Format.h"
#include "store/jxmemo.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "użycie: bench_levels TABELA.dbf PLIK.dat POLE [MAKS_MB]\n");
    return 2;
  }
  const uint64_t limit = (argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 256) << 20;
  dbase::Table table;
  table.SetDatabaseName(platform::ExtractFileDir(argv[1]));
  table.SetTableName(platform::ExtractFileName(argv[1]));
  store::tjxmemo set;
  if (!table.Open().ok() || !set.Open(argv[2])) {
    std::fprintf(stderr, "nie udało się otworzyć zbioru\n");
    return 1;
  }
  const int field = table.FindField(argv[3]);
  std::vector<std::vector<uint8_t>> records;
  uint64_t plain = 0;
  for (platform::Status s = table.First(); s.ok() && !table.Eof() && plain < limit;
       s = table.Next()) {
    const std::string text = table.GetText(field);
    if (!engine::IsAddressText(text) || engine::HexToInt(text) == 0) continue;
    int32_t size = 0, plain_size = 0;
    const uint8_t* data = nullptr;
    if (!set.ReadRecord(size, engine::HexToInt(text), data, true, plain_size)) continue;
    records.emplace_back(data, data + size);
    plain += static_cast<uint64_t>(size);
  }
  if (records.empty()) {
    std::fprintf(stderr, "brak rekordów\n");
    return 1;
  }
  const store::FileHeader header = store::FileHeader::NewFile(0);
  struct Result {
    int level;
    double seconds;
    uint64_t streams, set_bytes;
  };
  std::vector<Result> results;
  std::vector<uint8_t> packed;
  for (int level : {6, 3, 1, 6}) {
    auto codec = store::MakeDeflateCodec(level);
    if (!codec) codec = store::MakeZlibCodec(level);
    Result r{level, 0, 0, store::kHeaderBlockSize};
    const auto start = std::chrono::steady_clock::now();
    for (const auto& rec : records) {
      packed.resize(rec.size());
      const int32_t n = static_cast<int32_t>(rec.size());
      const int32_t len = store::PackPlainRecord(*codec, packed.data(), rec.data(), n);
      const int32_t stored = len > 0 ? len : n;
      r.streams += static_cast<uint64_t>(stored);
      for (int k : store::PackRecord(header, stored, 9)) r.set_bytes += header.Class(k).BlockSize;
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    results.push_back(r);
  }
  // Level 6 ran first and last: the baseline is the faster of the two.
  const Result& six = results[0].seconds <= results[3].seconds ? results[0] : results[3];
  results.pop_back();
  const double mb = static_cast<double>(plain) / 1048576.0;
  std::printf("%zu records, %.1f MB plain (%s)\n", records.size(), mb,
              store::MakeDeflateCodec(6) ? "libdeflate" : "zlib");
  for (const Result& r : results) {
    std::printf(
        "level %d: %6.1f MB/s (x%.2f of level 6), set %.1f MB (%+.2f%% against level 6), "
        "streams %.1f MB\n",
        r.level, mb / r.seconds, six.seconds / r.seconds,
        static_cast<double>(r.set_bytes) / 1048576.0,
        (static_cast<double>(r.set_bytes) / static_cast<double>(six.set_bytes) - 1) * 100,
        static_cast<double>(r.streams) / 1048576.0);
  }
  return 0;
}
