// The check of a table against its description set after the fact: does
// every row's address read a record? It opens both only to read, shared
// with other programs, and changes nothing. Rows are judged by the row
// rule the division uses, so a row the division would copy is a row whose
// record must be readable here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Job.h"
#include "platform/Env.h"

namespace engine {

struct AddressCheckCounts {
  uint64_t rows = 0;          // every row, deleted ones included
  uint64_t with_address = 0;  // rows the division would copy a record for
  uint64_t readable = 0;      // of those, addresses that read a whole record
  uint64_t unreadable = 0;    // of those, addresses that do not
  uint64_t marker = 0;        // rows with the "ID" marker, left alone
  uint64_t empty = 0;         // rows without an address (empty or zero)
};

struct UnreadableRow {
  uint32_t row;         // 1-based
  std::string address;  // the field's text as UTF-8, trimmed
};

struct AddressCheckReport {
  AddressCheckCounts counts;
  std::vector<UnreadableRow> rows;  // every row counted as unreadable, in order

  bool Clean() const { return counts.unreadable == 0; }
};

// info.TableFile, info.DataFile, info.AddressField and info.CheckID (marker
// rows left alone, as in the division) are used. Throws EngineError when
// the files cannot be opened or read.
AddressCheckReport CheckAddresses(platform::Env* env, const TDividerInfo& info);

}  // namespace engine
