// Rewrites one character field of every row of a large table (150-byte
// records), as a division does, and prints the time against a cp of the
// same .dbf made in the same run: once without an index, once with one
// affected tag (and one unaffected tag) in the production .mdx. Neither the
// rewrite nor cp syncs to the disk; cp followed by sync is printed for
// scale.
//
//   bench_dbase [ROWS] [DIR]      defaults: 1000000 rows, the temp directory
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "dbase/Table.h"
#include "dbase/TableWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

bool Check(const platform::Status& s, const char* what) {
  if (!s.ok()) std::fprintf(stderr, "%s: %s\n", what, s.message().c_str());
  return s.ok();
}

bool Generate(const std::string& dir, const std::string& name, long rows, bool with_index) {
  dbase::TableLayout layout;
  layout.fields = {{"ID", 'C', 5}, {"ADRES", 'C', 8}, {"NAZWA", 'C', 136}};  // 1+149 = 150 bytes
  if (with_index) layout.tags = {{"ADRES", "ADRES"}, {"ID", "ID"}};
  dbase::TableWriter w;
  if (!Check(w.Create(dir, name, layout), "create")) return false;
  char id[8], adres[16];
  for (long i = 0; i < rows; ++i) {
    std::snprintf(id, sizeof id, "%05ld", i % 100000);
    std::snprintf(adres, sizeof adres, "%lX", (i * 2654435761u) % 0x7FFFFFFF);
    if (!Check(w.AppendRow({id, adres, "opis wiersza"}), "append")) return false;
  }
  return Check(w.Finish(), "finish");
}

// Eight upper-case hexadecimal digits, as the division writes them; not
// through printf, whose cost would hide the engine's.
void Hex8(uint32_t v, char* out) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int i = 7; i >= 0; --i, v >>= 4) out[i] = kDigits[v & 15];
  out[8] = 0;
}

// Every row's ADRES becomes eight upper-case hexadecimal digits.
double Rewrite(const std::string& dir, const std::string& name, uint32_t seed) {
  auto start = Clock::now();
  dbase::Table t;
  t.SetDatabaseName(dir);
  t.SetTableName(name);
  t.SetWritableFields({"ADRES"});
  if (!Check(t.Open(), "open")) return -1;
  const int f = t.FindField("ADRES");
  char buf[16];
  uint32_t n = 0;
  for (t.First(); !t.Eof(); t.Next(), ++n) {
    Hex8(n * 40503u + seed, buf);
    if (!Check(t.Edit(), "edit") || !Check(t.SetText(f, buf), "set") || !Check(t.Post(), "post"))
      return -1;
  }
  if (!Check(t.Close(), "close")) return -1;
  return Seconds(start);
}

double Copy(const std::string& from, const std::string& to, bool sync) {
  auto start = Clock::now();
  std::string cmd = "cp '" + from + "' '" + to + "'";
  if (sync) cmd += " && sync '" + to + "'";
  if (std::system(cmd.c_str()) != 0) return -1;
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  std::string dir = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
  dir += "/podzial-bench-dbase-" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  std::printf("rows: %ld, record 150 bytes, directory %s\n", rows, dir.c_str());
  if (!Generate(dir, "plain.dbf", rows, false) || !Generate(dir, "indexed.dbf", rows, true))
    return 1;
  // Nothing written by the generator may still wait for the disk, or the
  // first fsync measured would pay for it.
  if (std::system("sync") != 0) return 1;
  // The machine may be shared: each figure is the best of three rounds,
  // the rounds interleaved so that all meet the same load.
  double cp = 1e9, cp_sync = 1e9, plain = 1e9, indexed = 1e9;
  for (uint32_t round = 1; round <= 3; ++round) {
    const double c = Copy(dir + "/plain.dbf", dir + "/copy.dbf", false);
    const double cs = Copy(dir + "/plain.dbf", dir + "/copy2.dbf", true);
    const double p = Rewrite(dir, "plain.dbf", round);
    const double i = Rewrite(dir, "indexed.dbf", round);
    if (c < 0 || cs < 0 || p < 0 || i < 0) {
      std::filesystem::remove_all(dir);
      return 1;
    }
    cp = std::min(cp, c);
    cp_sync = std::min(cp_sync, cs);
    plain = std::min(plain, p);
    indexed = std::min(indexed, i);
    std::filesystem::remove(dir + "/copy.dbf");
    std::filesystem::remove(dir + "/copy2.dbf");
  }
  std::filesystem::remove_all(dir);
  std::printf("cp of the .dbf:                    %8.3f s\n", cp);
  std::printf("cp of the .dbf and sync:           %8.3f s\n", cp_sync);
  std::printf("rewrite, no index:                 %8.3f s  ratio to cp %.2f (to cp+sync %.2f)\n",
              plain, plain / cp, plain / cp_sync);
  std::printf("rewrite, one affected tag:         %8.3f s  ratio to cp %.2f (to cp+sync %.2f)\n",
              indexed, indexed / cp, indexed / cp_sync);
  return 0;
}
