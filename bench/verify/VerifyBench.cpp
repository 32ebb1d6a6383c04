// Cost of the read-back verification of a division. Generates one database
// of about MB megabytes of description files, copies it three times and
// divides one copy without, one with the verification and a third without
// again (to show the noise), all in one process, then prints each time and
// the verification's share of the division's time.
//
//   bench_verify [SET] [MB] [DIR] [LIMIT_MB]
//     SET: "tolm" (the three Tolm tables, mixed records; default) or
//     "compressed" (the division benchmark's set: one table, every record
//     stored compressed, mean 26 KB plain); MB: 256; DIR: the temp
//     directory; LIMIT_MB: 650
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/Divider.h"
#include "engine/DivisionRequest.h"
#include "engine/Verifier.h"
#include "tools/demodb/DemoDatabase.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Run {
  double seconds = 0;         // the whole division
  double verify_seconds = 0;  // of which checksums and read-back
};

// The jobs of the set one after another, old files deleted (the run's cost
// without the backup's renames).
Run Divide(const std::string& db, int32_t limit_mb, bool verify) {
  Run run;
  uint64_t records = 0, bytes = 0;
  std::vector<engine::PresetPair> pairs = engine::PresetPairs(engine::kDivTolm);
  if (fs::exists(db + "zbior.dbf")) pairs = {{"zbior.dbf", "zbior.dat"}};
  const auto start = Clock::now();
  for (const auto& pair : pairs) {
    engine::TDividerInfo info{
        db + pair.TablePath, "OpisTop", db + pair.DataPath, limit_mb, true, false};
    engine::TDivider divider(info);
    divider.SetVerify(verify);
    std::string used;
    divider.Divide("", used);
    records += divider.Counts().records_written;
    bytes += divider.Counts().bytes_written;
    if (divider.LastVerifier()) run.verify_seconds += divider.LastVerifier()->Seconds();
  }
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("  %-28s %8.2f s (verification %.2f s)  %llu records, %.1f MB\n",
              verify ? "division with verification" : "division without", run.seconds,
              run.verify_seconds, static_cast<unsigned long long>(records), bytes / 1048576.0);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string set = argc > 1 ? argv[1] : "tolm";
  const uint32_t mb = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 256;
  const fs::path base =
      (argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path()) / "podzial-bench-verify";
  const int32_t limit = argc > 4 ? std::atoi(argv[4]) : 650;
  if (set != "tolm" && set != "compressed") {
    std::fprintf(stderr, "użycie: bench_verify [tolm|compressed] [MB] [DIR] [LIMIT_MB]\n");
    return 2;
  }
  fs::remove_all(base);
  fs::create_directories(base / "src");
  std::printf("generating the %s set of %u MB in %s\n", set.c_str(), mb, base.c_str());
  platform::Status s;
  if (set == "tolm") {
    s = demodb::GenerateTolm((base / "src").string() + "/", mb, 42);
  } else {
    // As bench/engine/run makes its 2 GB set: 105,000 rows for 2,048 MB.
    demodb::TableOptions o;
    o.dir = (base / "src").string() + "/";
    o.table_name = "zbior.dbf";
    o.data_name = "zbior.dat";
    o.rows = static_cast<uint32_t>(105000ull * mb / 2048);
    o.mean_record = 26 * 1024;
    o.compressed = 1;
    o.raster = 1;
    o.semi_raster = true;
    o.seed = 11;
    demodb::Generated g;
    s = demodb::GenerateTable(o, &g);
  }
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.message().c_str());
    return 1;
  }
  for (const char* copy : {"a", "b", "c"}) fs::copy(base / "src", base / copy);
  fs::remove_all(base / "src");

  const Run plain = Divide((base / "a").string() + "/", limit, false);
  const Run checked = Divide((base / "b").string() + "/", limit, true);
  const Run plain2 = Divide((base / "c").string() + "/", limit, false);
  const double baseline = (plain.seconds + plain2.seconds) / 2;
  // Measured inside the verified run, the share does not depend on how
  // busy the machine was during the other runs.
  std::printf("verification inside the verified run: %.1f%% of the rest of that division\n",
              checked.verify_seconds / (checked.seconds - checked.verify_seconds) * 100);
  std::printf("verified run against the unverified ones: %+.1f%% (their own spread %.1f%%)\n",
              (checked.seconds - baseline) / baseline * 100,
              std::abs(plain.seconds - plain2.seconds) / baseline * 100);
  if (!std::getenv("KEEP")) fs::remove_all(base);
  return 0;
}
