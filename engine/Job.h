// The values of one division job: what it is asked to do (TDividerInfo),
// what it counted, and what it reports to the request. Plain data that the
// run, the dry run, the request, the command line and the window share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// One division job.
struct TDividerInfo {
  std::string TableFile;     // the table's .dbf
  std::string AddressField;  // character field holding each row's address
  std::string DataFile;      // the description file, beside the table
  int32_t MaxSize = 0;       // MB per file, 0 = no limit; 0..2047
  bool CheckID = false;      // leave rows whose "ID" is five 0xFF bytes alone
  bool KeepOld = false;      // keep the old files in a backup directory
};

// What one run did (or a dry run would do).
struct DivisionCounts {
  uint64_t rows = 0;             // rows visited, deleted ones included
  uint64_t converted = 0;        // rows whose address was rewritten
  uint64_t skipped_empty = 0;    // rows with an empty address, untouched
  uint64_t skipped_marker = 0;   // rows with the 0xFF "ID" marker, untouched
  uint64_t marker_kept = 0;      // of those, rows whose address reads an old record
  uint64_t zero_addresses = 0;   // rows with address 0 (no record)
  uint64_t dropped = 0;          // references cleared: record unreadable or no address
  uint64_t records_written = 0;  // records copied to the new files
  uint64_t bytes_written = 0;    // their bytes as the old set stored them
  uint64_t plain_bytes = 0;      // their plain length
  uint64_t largest_record = 0;   // the longest plain length among them
  uint64_t new_files = 0;        // new description files (base + continuations)
  uint64_t new_files_bytes = 0;  // their size on disk

  // Rows whose old records only the old files hold after the run: those
  // files are kept in a backup directory whatever the user chose.
  bool OldFilesNeeded() const { return dropped > 0 || marker_kept > 0; }

  DivisionCounts& operator+=(const DivisionCounts& o) {
    rows += o.rows;
    converted += o.converted;
    skipped_empty += o.skipped_empty;
    skipped_marker += o.skipped_marker;
    marker_kept += o.marker_kept;
    zero_addresses += o.zero_addresses;
    dropped += o.dropped;
    records_written += o.records_written;
    bytes_written += o.bytes_written;
    plain_bytes += o.plain_bytes;
    largest_record = std::max(largest_record, o.largest_record);
    new_files += o.new_files;
    new_files_bytes += o.new_files_bytes;
    return *this;
  }
};

// What one job of a request did.
struct JobReport {
  TDividerInfo info;
  bool ran = false;  // false: table or description file missing, skipped
  std::string used_old_dir;
  DivisionCounts counts;
  // The list of rows whose references were not copied or whose marker
  // keeps an old address ("" when there are none).
  std::string dropped_list;
  // What the job did besides dividing, for the user (repairs of earlier
  // runs).
  std::vector<std::string> notes;
  // What the user should look at although the job succeeded (old files
  // that could not be deleted).
  std::vector<std::string> warnings;

  // Completed, but not as cleanly as asked for.
  bool HasWarnings() const { return counts.OldFilesNeeded() || !warnings.empty(); }
};

}  // namespace engine
