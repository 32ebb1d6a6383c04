// Cost of the read-back verification of a division. Generates one Tolm
// database of about MB megabytes of description files, copies it twice and
// divides one copy without and one with the verification (and a third
// without again, to show the noise), all in one process, then prints each
// time and the verification's share of the division's time.
//
//   bench_verify [MB] [DIR] [LIMIT_MB]   defaults: 256 MB, the temp directory, 650 MB
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

// The Tolm jobs one after another, old files deleted (the run's cost
// without the backup's renames).
Run Divide(const std::string& db, int32_t limit_mb, bool verify) {
  Run run;
  uint64_t records = 0, bytes = 0;
  const auto start = Clock::now();
  for (const auto& pair : engine::PresetPairs(engine::kDivTolm)) {
    engine::TDividerInfo info{
        db + pair.TablePath, "OpisTop", db + pair.DataPath, limit_mb, true, false};
    engine::TDivider divider(info);
    divider.SetVerify(verify);
    std::string used;
    divider.Divide("", used);
    records += divider.Counts().records_written;
    bytes += divider.Counts().bytes_written;
    if (divider.Verifier()) run.verify_seconds += divider.Verifier()->Seconds();
  }
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("  %-28s %8.2f s (verification %.2f s)  %llu records, %.1f MB\n",
              verify ? "division with verification" : "division without", run.seconds,
              run.verify_seconds, static_cast<unsigned long long>(records), bytes / 1048576.0);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t mb = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 256;
  const fs::path base =
      (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) / "podzial-bench-verify";
  const int32_t limit = argc > 3 ? std::atoi(argv[3]) : 650;
  fs::remove_all(base);
  fs::create_directories(base / "src");
  std::printf("generating a Tolm database of %u MB in %s\n", mb, base.c_str());
  platform::Status s = demodb::GenerateTolm((base / "src").string() + "/", mb, 42);
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
  fs::remove_all(base);
  return 0;
}
