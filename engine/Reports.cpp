// Texts of the dry run and of the check, shared by podzial-cli and the
// windows' tools.
#include "engine/Reports.h"

#include <cstdio>
#include <sstream>

#include "engine/Common.h"
#include "engine/PlanChecks.h"

namespace engine {

std::string CountsText(const DivisionCounts& c) {
  std::ostringstream o;
  o << "wiersze: " << c.rows << ", przepisane: " << c.converted
    << ", puste adresy: " << c.skipped_empty << ", ze znacznikiem ID: " << c.skipped_marker
    << ", wiersze ze znacznikiem ID wskazujące stare dane: " << c.marker_kept
    << ", adresy zerowe: " << c.zero_addresses << ", utracone odwołania: " << c.dropped
    << ", zapisane rekordy: " << c.records_written
    << " (rozmiar danych przed kompresją: " << c.plain_bytes << " B), nowe pliki: " << c.new_files
    << " (na dysku: " << c.new_files_bytes << " B)";
  return o.str();
}

RequestPlan PlanRequest(platform::Env* env, UserDialog* dialog, const RequestEntries& entries) {
  RequestPlan out;
  Planner planner(env);
  JobRunner plan_job = planner.Runner(&out.plans);
  JobRunner runner = [&](const TDividerInfo& info, const std::string& old_dir,
                         std::string& used_old_dir, JobReport& report) {
    CheckFilesAndDirectory(env, info);
    plan_job(info, old_dir, used_old_dir, report);
    out.plans.back().info.TableFile = ShownPath(env, info.TableFile);
    out.plans.back().info.DataFile = ShownPath(env, info.DataFile);
    if (!report.ran) {
      out.needed_bytes.push_back(0);
      return;
    }
    uint64_t new_bytes = 0;
    for (const auto& f : out.plans.back().files) new_bytes += f.size;
    CheckFreeSpace(env, info, new_bytes);
    out.needed_bytes.push_back(new_bytes + WorkingCopyBytes(env, info));
  };
  DivisionRequest request(dialog, runner, env);
  out.result = request.Run(entries);
  return out;
}

std::string PlanText(const RequestPlan& plan) {
  std::ostringstream o;
  o << "Plan podziału (nic nie zostało zapisane):\n";
  for (size_t i = 0; i < plan.plans.size(); ++i) {
    const JobPlan& p = plan.plans[i];
    if (!p.ran) {
      o << p.info.TableFile << ": " << kMsgSkippedJob << "\n";
      continue;
    }
    o << p.info.TableFile << ": " << CountsText(p.counts) << "\n";
    if (!p.unreadable_rows.empty()) {
      o << "  nieczytelne odwołania w wierszach:";
      for (uint32_t row : p.unreadable_rows) o << " " << row;
      if (p.counts.dropped > p.unreadable_rows.size()) {
        o << "… (razem " << p.counts.dropped << ")";
      }
      o << "\n";
      if (!p.info.KeepOld) {
        o << "  stare pliki zostaną zachowane w katalogu kopii, bo są jedyną kopią "
             "tego, na co wskazywały te wiersze\n";
      }
    }
    if (p.counts.marker_kept > 0) {
      // Their addresses stay as they are and read the old files.
      o << "  wiersze ze znacznikiem ID z adresem starych danych: " << p.counts.marker_kept
        << "; stare pliki zostaną więc zachowane w katalogu kopii\n";
    }
    for (const auto& f : p.files) o << "  " << f.name << ": " << f.size << " B\n";
    if (i < plan.needed_bytes.size()) {
      o << "  potrzebne miejsce na dysku: " << plan.needed_bytes[i]
        << " B (nowe pliki opisów i kopia robocza tabeli)\n";
    }
    std::string old_files;
    for (const auto& name : p.old_files) old_files += (old_files.empty() ? "" : ", ") + name;
    o << (p.keeps_old ? "  stare pliki do katalogu kopii: " : "  stare pliki do usunięcia: ")
      << old_files << "\n";
  }
  if (plan.plans.size() > 1) o << "razem: " << CountsText(plan.result.total) << "\n";
  return o.str();
}

std::string CheckWhere(const store::CheckReport& r, const store::CheckProblem& p) {
  std::string name = std::to_string(p.File);
  for (const auto& f : r.Files)
    if (f.Number == p.File) name = f.Name;
  std::string s;
  if (p.Address != 0) s += "adres " + store::HexAddress8(p.Address) + ", ";
  s += name + " @ " + std::to_string(p.Offset) + ": ";
  return s;
}

uint64_t SetBytes(const store::CheckReport& r) {
  uint64_t bytes = 0;
  for (const auto& f : r.Files) bytes += static_cast<uint64_t>(f.Size);
  return bytes;
}

std::string CheckText(const std::string& file, const store::CheckReport& r) {
  std::ostringstream o;
  o << "Plik: " << file << "\n";
  if (r.HeaderOk) {
    o << "Pliki zbioru: " << r.Files.size() << " (na dysku: " << SetBytes(r) << " B)\n";
    o << "Rekordy: " << r.Records << " (spakowane: " << r.CompressedRecords << ")\n";
    o << "Rozmiar rekordów w plikach (po kompresji): " << r.StoredBytes << " B\n";
    o << "Rozmiar danych przed kompresją: " << r.PlainBytes << " B\n";
    o << "Bloki: " << r.Blocks << ", wolne: " << r.FreeBlocks
      << ", pozostałości przerwanych zapisów: " << r.OrphanBlocks << "\n";
    o << "Niedokończone rekordy: " << r.UnfinishedRecords << "\n";
  }
  for (const auto& n : r.Notes) o << "Uwaga: " << CheckWhere(r, n) << n.Text << "\n";
  o << "Problemy: " << r.ProblemCount << "\n";
  for (const auto& p : r.Problems) o << "  " << CheckWhere(r, p) << p.Text << "\n";
  if (r.ProblemCount > static_cast<int64_t>(r.Problems.size()))
    o << "  … i " << r.ProblemCount - static_cast<int64_t>(r.Problems.size()) << " dalszych\n";
  o << (r.Clean() ? "Wynik: plik jest poprawny\n" : "Wynik: plik ma problemy\n");
  return o.str();
}

}  // namespace engine
