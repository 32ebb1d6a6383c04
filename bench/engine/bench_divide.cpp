// Runs one division and prints, as one line of JSON, its wall time, the
// process's peak resident memory, the number of flushes (of files and of
// directories) and what the run counted. bench/engine/run compares the
// time with cp of the same files. It also times, in the same process, the
// two safety steps a run adds besides its copy: the scan of the address
// field over the held table and the journal of the commit, each on the
// divided set, as a share of the division.
//   bench_divide TABLE.dbf FILE.dat FIELD MAX_MB [--threads N] [--level6]
// --threads: how many threads read ahead and compress (by default the
// machine's cores); --level6 adds the size the new set would have with
// every record that the run compressed compressed at level 6 instead
// (after the timing).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dbase/Table.h"
#include "engine/Commit.h"
#include "engine/Common.h"
#include "engine/Divider.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "engine/OldSet.h"
#include "engine/Verifier.h"
#include "platform/EnvWrapper.h"
#include "platform/Path.h"
#include "store/Compression.h"
#include "store/Format.h"
#include "store/jxmemo.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class FlushCountingEnv : public platform::EnvWrapper {
 public:
  FlushCountingEnv() : EnvWrapper(platform::Env::Default()) {}
  long flushes = 0;
  double flush_seconds = 0;  // spent in them

  platform::Status OpenFile(const std::string& path, platform::OpenMode mode,
                            std::unique_ptr<platform::File>* result) override {
    std::unique_ptr<platform::File> f;
    platform::Status s = EnvWrapper::OpenFile(path, mode, &f);
    if (s.ok()) *result = std::make_unique<CountingFile>(this, std::move(f));
    return s;
  }
  platform::Status SyncDirectory(const std::string& dir) override {
    ++flushes;
    const auto start = std::chrono::steady_clock::now();
    platform::Status s = EnvWrapper::SyncDirectory(dir);
    flush_seconds += SecondsSince(start);
    return s;
  }

 private:
  class CountingFile : public platform::FileWrapper {
   public:
    CountingFile(FlushCountingEnv* env, std::unique_ptr<platform::File> f)
        : FileWrapper(std::move(f)), env_(env) {}
    platform::Status Flush() override {
      ++env_->flushes;
      const auto start = std::chrono::steady_clock::now();
      platform::Status s = FileWrapper::Flush();
      env_->flush_seconds += SecondsSince(start);
      return s;
    }

   private:
    FlushCountingEnv* env_;
  };
};

// The hold and the scan of the address field, as a division makes them.
double ScanSeconds(const engine::TDividerInfo& info) {
  const auto start = std::chrono::steady_clock::now();
  dbase::Table table;
  table.SetDatabaseName(platform::ExtractFileDir(info.TableFile));
  table.SetTableName(platform::ExtractFileName(info.TableFile));
  table.SetExclusive(true);
  if (!table.Open().ok()) return -1;
  const int id = table.FindField("ID");
  engine::CheckAddressContent(table, table.FindField(info.AddressField), id, info.AddressField);
  return SecondsSince(start);
}

// The check that the description file fits the table, alone, on the held
// set as a division makes it.
double PairSeconds(const engine::TDividerInfo& info) {
  engine::OldSet old(platform::Env::Default(), true);
  try {
    const engine::JobPaths paths = engine::ResolveJob(platform::Env::Default(), info);
    old.Open(info, paths);
    const auto start = std::chrono::steady_clock::now();
    old.CheckPair(info, paths);
    return SecondsSince(start);
  } catch (const engine::EngineError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return -1;
  }
}

// A journal naming the divided set's files, written, flushed, marked
// finished and removed.
double JournalSeconds(const engine::TDividerInfo& info, uint64_t files) {
  engine::CommitPlan plan;
  plan.table_dir = platform::ExtractFilePath(info.TableFile);
  plan.work_dir = plan.table_dir + "tmp-bench.tmp/";
  plan.from_dir = plan.work_dir;
  plan.aside_dir = plan.table_dir + "old-bench/";
  plan.tables = {"tabela.dbf"};
  plan.old_files = plan.tables;
  for (uint64_t n = 0; n < files + 2; ++n) {
    plan.old_files.push_back("plik." + std::to_string(n));
    plan.new_files.push_back({"plik." + std::to_string(n), n * 1000});
  }
  plan.new_files.push_back({"tabela.dbf", 1000});
  platform::Env* env = platform::Env::Default();
  if (!env->CreateDirectories(plan.work_dir).ok()) return -1;
  const auto start = std::chrono::steady_clock::now();
  engine::WriteJournal(env, plan);
  engine::MarkFinished(env, plan.work_dir);
  (void)env->DeleteFile(plan.work_dir + engine::kFinishedName);
  const double seconds = SecondsSince(start);
  env->RemoveDirectory(plan.work_dir);
  return seconds;
}

// The bytes of a set of the given stored lengths: the header block and
// each record's chain of blocks (what the ends of full files leave unused
// is not counted).
struct SetSize {
  store::FileHeader header = store::FileHeader::NewFile(0);
  uint64_t bytes = store::kHeaderBlockSize;
  void Add(int32_t stored) {
    for (int k : store::PackRecord(header, stored, 9)) bytes += header.Class(k).BlockSize;
  }
};

// The new set's size by its records' chains as written, and as they would
// be with each record the run compressed compressed at level 6.
bool Level6Sizes(const engine::TDividerInfo& info, uint64_t* written, uint64_t* level6) {
  auto codec = store::MakeDeflateCodec(6);
  if (!codec) codec = store::MakeZlibCodec(6);
  dbase::Table table;
  table.SetDatabaseName(platform::ExtractFileDir(info.TableFile));
  table.SetTableName(platform::ExtractFileName(info.TableFile));
  store::tjxmemo set;
  if (!table.Open().ok() || !set.Open(info.DataFile)) return false;
  const int field = table.FindField(info.AddressField);
  const int id = table.FindField("ID");
  SetSize now, six;
  std::vector<uint8_t> packed, plain;
  for (platform::Status s = table.First(); s.ok() && !table.Eof(); s = table.Next()) {
    const std::string text = table.GetText(field);
    // Rows the run left alone keep addresses of the old set.
    if (text.size() != 8 || text == "00000000") continue;
    if (id >= 0 && table.GetText(id) == engine::kMarker) continue;
    const int32_t address = engine::HexToInt(text);
    int32_t size = 0, plain_size = 0;
    const uint8_t* data = nullptr;
    if (!set.ReadRecord(size, address, data, false, plain_size)) return false;
    now.Add(size);
    if (plain_size == 0) {
      six.Add(size);  // stored as it is either way
      continue;
    }
    if (!set.ReadRecord(size, address, data, true, plain_size)) return false;
    plain.assign(data, data + size);
    packed.resize(plain.size());
    const int32_t len = store::PackPlainRecord(*codec, packed.data(), plain.data(), size);
    six.Add(len > 0 ? len : size);
  }
  *written = now.bytes;
  *level6 = six.bytes;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr,
                 "użycie: bench_divide TABELA.dbf PLIK.dat POLE MAKS_MB [--threads N] [--level6] "
                 "[--checks-only]\n");
    return 2;
  }
  engine::TDividerInfo info;
  info.TableFile = argv[1];
  info.DataFile = argv[2];
  info.AddressField = argv[3];
  info.MaxSize = std::atoi(argv[4]);
  info.CheckID = true;
  info.KeepOld = true;
  FlushCountingEnv env;
  engine::TDivider divider(info, &env);
  bool level6 = false;
  for (int i = 5; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--checks-only") {
      // What a division does before it makes anything, timed alone, with
      // the caches dropped before as a division meets its files: the scan
      // of the address field (which reads the table), then the hold and
      // every check again, where only the description file is still
      // unread: the check of the pair, cold, and once more warm.
      const double scan = ScanSeconds(info);
      double checks = 0, pair = 0;
      try {
        const engine::JobPaths paths = engine::ResolveJob(platform::Env::Default(), info);
        engine::OldSet old(platform::Env::Default(), true);
        auto start = std::chrono::steady_clock::now();
        old.Open(info, paths);
        checks = SecondsSince(start);
        start = std::chrono::steady_clock::now();
        old.CheckPair(info, paths);
        pair = SecondsSince(start);
      } catch (const engine::EngineError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
      }
      std::printf(
          "{\"scan_seconds\":%.4f,\"checks_after_scan_seconds\":%.4f,\"pair_warm_seconds\":%.4f}\n",
          scan, checks, pair);
      return 0;
    }
    if (arg == "--threads" && i + 1 < argc) {
      divider.SetThreads(static_cast<unsigned>(std::atoi(argv[++i])));
    } else if (arg == "--level6") {
      level6 = true;
    } else {
      std::fprintf(stderr, "nieznana opcja: %s\n", argv[i]);
      return 2;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  std::string used;
  try {
    divider.Divide("", used);
  } catch (const engine::EngineError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  const double seconds = SecondsSince(start);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto& c = divider.Counts();
  const double verify = divider.LastVerifier() ? divider.LastVerifier()->Seconds() : 0;
  const double scan = ScanSeconds(info);
  const double journal = JournalSeconds(info, c.new_files);
  const double pair = PairSeconds(info);
  uint64_t set_bytes = 0, level6_bytes = 0;
  if (level6 && !Level6Sizes(info, &set_bytes, &level6_bytes)) {
    std::fprintf(stderr, "nie udało się odczytać nowego zbioru\n");
    return 1;
  }
  std::printf(
      "{\"seconds\":%.3f,\"peak_rss_kb\":%ld,\"flushes\":%ld,\"flush_seconds\":%.3f,"
      "\"rows\":%llu,\"records\":%llu,\"bytes\":%llu,\"plain_bytes\":%llu,"
      "\"largest_record\":%llu,\"new_files\":%llu,\"backup\":\"%s\",\"verify_seconds\":%.3f,"
      "\"scan_seconds\":%.3f,\"journal_seconds\":%.4f,\"safety_share\":%.4f,"
      "\"pair_seconds\":%.4f,\"pair_share\":%.4f,"
      "\"new_set_bytes\":%llu,\"level6_bytes\":%llu}\n",
      seconds, usage.ru_maxrss, env.flushes, env.flush_seconds,
      static_cast<unsigned long long>(c.rows), static_cast<unsigned long long>(c.records_written),
      static_cast<unsigned long long>(c.bytes_written),
      static_cast<unsigned long long>(c.plain_bytes),
      static_cast<unsigned long long>(c.largest_record),
      static_cast<unsigned long long>(c.new_files), used.c_str(), verify, scan, journal,
      (scan + journal) / seconds, pair, pair / seconds, static_cast<unsigned long long>(set_bytes),
      static_cast<unsigned long long>(level6_bytes));
  return 0;
}
