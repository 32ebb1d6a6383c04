// The old files of one job, for the division and its dry run alike: the
// names they really have on disk, which of them a commit moves, the table
// and description set opened and checked before anything is made, and the
// new store made the one way both make it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dbase/Table.h"
#include "engine/Job.h"
#include "engine/RowRule.h"
#include "platform/Env.h"
#include "store/jxmemo.h"

namespace engine {

// What a job derives from its record, with the names the files have on
// disk (a database copied from Windows may say OPISY.DBF).
struct JobPaths {
  std::string table_file, data_file;  // resolved full paths
  std::string table_dir;              // with trailing separator
  std::string table_name, data_name;  // file names
  std::string mdx_file, dbt_file;     // resolved companions, "" when absent
};

// Resolves the names of a job whose table and description file exist and
// checks that they share one directory. Throws EngineError.
JobPaths ResolveJob(platform::Env* env, const TDividerInfo& info);

// The old files a commit moves, as names in the table's directory: the
// table's own files, then the description file and its numbered
// continuation files. Never another file of the same name stem: another
// table of the database may be called so. Throws EngineError.
std::vector<std::string> OldFileNames(platform::Env* env, const JobPaths& p);

// How many addresses the check of a pair samples at the table's start and
// spread over it; a table of at most twice as many rows is read whole.
inline constexpr uint32_t kPairSample = 1000;

class OldSet {
 public:
  // hold: every file is opened exclusively for the division, so that no
  // other program opens any of them until the commit is over; otherwise
  // shared, as any reader opens them (the dry run).
  OldSet(platform::Env* env, bool hold);
  OldSet(const OldSet&) = delete;
  OldSet& operator=(const OldSet&) = delete;

  // Opens the table and the description set and checks them: every file of
  // the set there, the address field able to hold an address and holding
  // addresses, and the description file fitting the table. Throws
  // EngineError with the message for the user.
  void Open(const TDividerInfo& info, const JobPaths& p);
  // The first part of Open: the files opened and the address field found
  // fit for addresses, without judging what the rows hold (the check of a
  // finished division reports each row instead).
  void OpenFiles(const TDividerInfo& info, const JobPaths& p);
  void Close();

  dbase::Table& table() { return table_; }
  store::tjxmemo& store() { return store_; }
  int address() const { return address_; }  // the field's index
  int id() const { return id_; }            // "ID" when marker rows are skipped, else -1
  const std::string& address_name() const { return address_name_; }  // as the table spells it
  bool check_id() const { return id_ >= 0; }

  // The kind of the table's current row.
  RowKind Classify() const;

  // Whether the old set holds a record at `address`, by its first block.
  // Throws EngineError when the system failed to tell (the row given for
  // the message).
  bool HasRecord(int32_t address, uint32_t row);

  // Part of Open: refuses a description file that does not fit the table
  // (most sampled addresses find no record in it), or that another table
  // of its name points into. Public for the benchmark of its cost.
  void CheckPair(const TDividerInfo& info, const JobPaths& p);

 private:
  struct Sample {
    uint64_t sampled = 0, missed = 0;  // addresses read, of them finding no record
  };
  // The addresses of the first kPairSample rows that hold one and of
  // kPairSample rows spread over the rest, each tested for a record.
  Sample SampleAddresses(dbase::Table& table, int address, int id);
  // Other tables of the directory that may own the description file, with
  // the field their addresses would be in.
  std::vector<std::pair<std::string, std::string>> OwnerCandidates(const TDividerInfo& info,
                                                                   const JobPaths& p);
  void CheckOwner(const TDividerInfo& info, const JobPaths& p, const std::string& name,
                  const std::string& field_name);
  platform::Env* env_;
  bool hold_;
  dbase::Table table_;
  store::tjxmemo store_;
  int address_ = -1;
  int id_ = -1;
  std::string address_name_;
};

// Creates the new description file at `path` as the division makes it
// (SplitDepth 9, gathered writes, the limit in MB). Throws EngineError.
void OpenNewStore(store::tjxmemo& target, const std::string& path, int32_t max_size_mb);

}  // namespace engine
