// Dry run of a division: the division's checks and row loop over read-only
// files, with the new set written into memory.
#include "engine/Planner.h"

#include <algorithm>

#include "dbase/Table.h"
#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "engine/OldSet.h"
#include "engine/ReadOnlyEnv.h"
#include "engine/Recovery.h"
#include "engine/RowRule.h"
#include "engine/SizingEnv.h"
#include "platform/Path.h"
#include "store/Format.h"
#include "store/jxmemo.h"

namespace engine {

namespace {

void Check(const platform::Status& s) {
  if (!s.ok()) throw EngineError(s.message());
}

}  // namespace

Planner::Planner(platform::Env* env) : env_(env) {}

JobPlan Planner::PlanJob(const TDividerInfo& info) {
  JobPlan plan;
  plan.info = info;
  ReadOnlyEnv ro(env_);
  if (!ro.FileExists(info.TableFile) || !ro.FileExists(info.DataFile)) {
    const std::string table = ro.ResolvePath(info.TableFile);
    if (TableBeingDivided(&ro, FolderOf(table), platform::ExtractFileName(table))) {
      throw EngineError(MsgTableBeingDivided(info.TableFile));
    }
    return plan;
  }
  plan.ran = true;
  CheckMaxSize(info.MaxSize);
  const JobPaths p = ResolveJob(&ro, info);
  OldSet old(&ro, false);
  old.Open(info, p);

  // The new set, made as the division makes it, in memory.
  SizingEnv sizing;
  store::tjxmemo target(&sizing);
  OpenNewStore(target, SizingEnv::Root() + p.data_name, info.MaxSize);

  DivisionCounts& c = plan.counts;
  dbase::Table& table = old.table();
  store::tjxmemo& source = old.store();
  auto unreadable = [&] {
    ++c.dropped;
    if (plan.unreadable_rows.size() < kPlanListedRows)
      plan.unreadable_rows.push_back(table.RecNo());
  };
  Check(table.First());
  while (!table.Eof()) {
    ++c.rows;
    const std::string text = table.GetText(old.address());
    switch (old.Classify()) {
      case RowKind::kEmpty:
        ++c.skipped_empty;
        break;
      case RowKind::kMarker: {
        ++c.skipped_marker;
        const int32_t kept = MarkerAddress(text);
        if (kept != 0 && old.HasRecord(kept, table.RecNo())) ++c.marker_kept;
        break;
      }
      case RowKind::kNotAddress:
        unreadable();
        ++c.converted;
        break;
      case RowKind::kZero:
        ++c.zero_addresses;
        ++c.converted;
        break;
      case RowKind::kRecord: {
        int32_t size = 0, plain_size = 0, new_address = 0;
        const uint8_t* data = nullptr;
        if (source.ReadRecord(size, HexToInt(text), data, false, plain_size)) {
          if (!target.WriteRecord(size, new_address, data, plain_size)) {
            throw EngineError(std::string(kMsgWrite) + " (wiersz " + std::to_string(table.RecNo()) +
                              ": " + target.LastError() + ")");
          }
          ++c.records_written;
          c.bytes_written += static_cast<uint64_t>(size);
          c.plain_bytes += static_cast<uint64_t>(plain_size ? plain_size : size);
        } else if (source.LastReadFailedBySystem()) {
          throw EngineError(kMsgRead + ("wiersz " + std::to_string(table.RecNo()) + ", ") +
                            source.LastError());
        } else {
          unreadable();
        }
        ++c.converted;
        break;
      }
    }
    Check(table.Next());
  }
  if (!target.CloseAll()) throw EngineError(kMsgWrite);
  old.Close();

  for (const auto& f : sizing.Files()) plan.files.push_back({f.name, f.size});
  // The base file first, then the continuation files in number order.
  std::stable_sort(plan.files.begin(), plan.files.end(),
                   [&](const PlannedFile& a, const PlannedFile& b) {
                     return (a.name == p.data_name) > (b.name == p.data_name);
                   });
  c.new_files = plan.files.size();
  for (const auto& f : plan.files) c.new_files_bytes += f.size;
  plan.old_files = OldFileNames(&ro, p);
  plan.keeps_old = info.KeepOld || c.OldFilesNeeded();
  return plan;
}

JobRunner Planner::Runner(std::vector<JobPlan>* plans) {
  return
      [this, plans](const TDividerInfo& info, const std::string&, std::string&, JobReport& report) {
        plans->push_back(PlanJob(info));
        report.ran = plans->back().ran;
        report.counts = plans->back().counts;
      };
}

}  // namespace engine
