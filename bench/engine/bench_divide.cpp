// Runs one division and prints, as one line of JSON, its wall time, the
// process's peak resident memory, the number of flushes (of files and of
// directories) and what the run counted. bench/engine/run compares the
// time with cp of the same files. It also times, in the same process, the
// two safety steps a run adds besides its copy: the scan of the address
// field over the held table and the journal of the commit, each on the
// divided set, as a share of the division.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dbase/Table.h"
#include "engine/Commit.h"
#include "engine/Divider.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "platform/Path.h"
#include "tests/support/FaultEnv.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The hold and the scan of the address field, as a division makes them.
double ScanSeconds(const engine::TDividerInfo& info) {
  const auto start = std::chrono::steady_clock::now();
  dbase::Table table;
  table.SetDatabaseName(platform::ExtractFileDir(info.TableFile));
  table.SetTableName(platform::ExtractFileName(info.TableFile));
  table.SetExclusive(true);
  if (!table.Open().ok()) return -1;
  const int id = table.FindField("ID");
  engine::CheckAddressContent(table, table.FindField(info.AddressField), id, info);
  return SecondsSince(start);
}

// A journal naming the divided set's files, written, flushed, marked
// finished and removed.
double JournalSeconds(const engine::TDividerInfo& info, uint64_t files) {
  engine::CommitPlan plan;
  plan.table_dir = platform::ExtractFilePath(info.TableFile);
  plan.work_dir = plan.table_dir + "tmp-bench.tmp/";
  plan.aside_dir = plan.table_dir + "old-bench/";
  for (uint64_t n = 0; n < files + 3; ++n) {
    plan.old_files.push_back("plik." + std::to_string(n));
    plan.new_files.push_back({"plik." + std::to_string(n), n * 1000});
  }
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "użycie: bench_divide TABELA.dbf PLIK.dat POLE MAKS_MB\n");
    return 2;
  }
  engine::TDividerInfo info;
  info.TableFile = argv[1];
  info.DataFile = argv[2];
  info.AddressField = argv[3];
  info.MaxSize = std::atoi(argv[4]);
  info.CheckID = true;
  info.KeepOld = true;
  test_support::FaultEnv env;  // counts the flushes
  env.record = false;
  engine::TDivider divider(info, &env);
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
  const double scan = ScanSeconds(info);
  const double journal = JournalSeconds(info, c.new_files);
  std::printf(
      "{\"seconds\":%.3f,\"peak_rss_kb\":%ld,\"flushes\":%ld,\"rows\":%llu,\"records\":%llu,"
      "\"bytes\":%llu,\"new_files\":%llu,\"backup\":\"%s\",\"scan_seconds\":%.3f,"
      "\"journal_seconds\":%.4f,\"safety_share\":%.4f}\n",
      seconds, usage.ru_maxrss,
      static_cast<long>(env.count(test_support::FaultEnv::kFlush | test_support::FaultEnv::kSync)),
      static_cast<unsigned long long>(c.rows), static_cast<unsigned long long>(c.records_written),
      static_cast<unsigned long long>(c.bytes_written),
      static_cast<unsigned long long>(c.new_files), used.c_str(), scan, journal,
      (scan + journal) / seconds);
  return 0;
}
