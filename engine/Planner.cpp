// Dry run of a division: the division's checks and row loop over read-only
// files, with the new set written into memory.
#include "engine/Planner.h"

#include <algorithm>

#include "dbase/Table.h"
#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "engine/ReadOnlyEnv.h"
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
  if (!ro.FileExists(info.TableFile) || !ro.FileExists(info.DataFile)) return plan;
  plan.ran = true;
  CheckMaxSize(info);
  const std::string table_file = ro.ResolvePath(info.TableFile);
  const std::string data_file = ro.ResolvePath(info.DataFile);
  CheckSameDirectory(&ro, FolderOf(table_file), data_file, info);
  const std::string data_name = platform::ExtractFileName(data_file);

  dbase::Table table(&ro);
  table.SetDatabaseName(platform::ExtractFileDir(table_file));
  table.SetTableName(platform::ExtractFileName(table_file));
  Check(table.Open());
  store::tjxmemo source(&ro);
  if (!source.Open(data_file)) throw EngineError(kMsgOpen + info.DataFile);
  // Every continuation file the header names must be there, as the
  // division demands.
  for (int n = 1; n <= source.CurrentFile(); ++n) {
    const std::string part = store::ContinuationName(store::BaseNameOf(data_file), n);
    if (!ro.FileExists(part)) throw EngineError(kMsgMissingPart + part);
  }
  const int address = table.FindField(info.AddressField);
  if (address < 0) throw EngineError(kMsgNoField + info.AddressField);
  const dbase::FieldDef& def = table.Fields()[static_cast<size_t>(address)];
  CheckAddressField(def, info);
  const bool check_id = info.CheckID && table.FindField("ID") >= 0;
  const int id = check_id ? table.FindField("ID") : -1;
  CheckAddressContent(table, address, id, info);

  // The new set, made as the division makes it, in memory.
  SizingEnv sizing;
  store::tjxmemo target(&sizing);
  if (!target.CreateNew(SizingEnv::Root() + data_name, 0)) {
    throw EngineError("Nie udało się przewidzieć nowego pliku: " + target.LastError());
  }
  target.SplitDepth = 9;
  target.DeferFlush = true;
  target.SetMaxSize(static_cast<int32_t>(static_cast<uint32_t>(info.MaxSize) << 20), "");

  DivisionCounts& c = plan.counts;
  Check(table.First());
  while (!table.Eof()) {
    ++c.rows;
    const std::string text = table.GetText(address);
    if (text.empty()) {
      ++c.skipped_empty;
    } else if (check_id && table.GetText(id) == kMarker) {
      ++c.skipped_marker;
    } else {
      const int32_t old_address = HexToInt(text);
      if (!IsAddressText(text)) {
        ++c.dropped;
        if (plan.unreadable_rows.size() < kPlanListedRows) {
          plan.unreadable_rows.push_back(table.RecNo());
        }
      } else if (old_address == 0) {
        ++c.zero_addresses;
      } else {
        int32_t size = 0, plain_size = 0, new_address = 0;
        const uint8_t* data = nullptr;
        if (source.ReadRecord(size, old_address, data, false, plain_size)) {
          if (!target.WriteRecord(size, new_address, data, plain_size)) {
            throw EngineError(std::string(kMsgWrite) + " (wiersz " + std::to_string(table.RecNo()) +
                              ": " + target.LastError() + ")");
          }
          ++c.records_written;
          c.bytes_written += static_cast<uint64_t>(size);
        } else if (source.LastReadFailedBySystem()) {
          throw EngineError(kMsgRead + ("wiersz " + std::to_string(table.RecNo()) + ", ") +
                            source.LastError());
        } else {
          ++c.dropped;
          if (plan.unreadable_rows.size() < kPlanListedRows) {
            plan.unreadable_rows.push_back(table.RecNo());
          }
        }
      }
      ++c.converted;
    }
    Check(table.Next());
  }
  if (!target.CloseAll()) throw EngineError(kMsgWrite);
  table.Close();
  source.CloseAll();

  for (const auto& f : sizing.Files()) plan.files.push_back({f.name, f.size});
  // The base file first, then the continuation files in number order.
  std::stable_sort(plan.files.begin(), plan.files.end(),
                   [&](const PlannedFile& a, const PlannedFile& b) {
                     return (a.name == data_name) > (b.name == data_name);
                   });
  c.new_files = plan.files.size();
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
