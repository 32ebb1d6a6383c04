// Generates dBASE tables with their description files: rows that point to
// text-like and raster-like records, stored compressed or not, with the
// awkward rows a real database has (empty addresses, the 0xFF marker in
// "ID", address 0, addresses naming no record, lower-case or short address
// texts, deleted rows, rows sharing one record). Used by the demo, the
// engine's tests and the benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Env.h"
#include "platform/Status.h"

namespace demodb {

struct TableOptions {
  std::string dir;         // where the files go (must exist)
  std::string table_name;  // e.g. "opisy.dbf"
  std::string data_name;   // e.g. "opisy.dat"
  std::string address_field = "OPISTOP";
  int address_length = 8;  // the address field's length
  bool with_id = true;     // a character field "ID" of 5
  bool with_mdx = true;    // a production index on the address field
  bool with_dbt = false;   // a memo field "UWAGI" and its .dbt
  uint32_t rows = 100;
  uint32_t mean_record = 4096;  // bytes, plain; sizes vary 1/2x .. 3/2x
  double compressed = 0.5;      // share of records stored compressed
  double raster = 0.3;          // share of raster-like (incompressible) records
  // Raster-like records drawn from 64 byte values: they still compress a
  // little (to about 3/4), so they can be stored compressed.
  bool semi_raster = false;
  // Shares of the awkward rows (of all rows).
  double empty = 0.03, marker = 0.02, zero = 0.02, dangling = 0.02, deleted = 0.02, shared = 0.03;
  uint64_t seed = 1;
};

// What a generated row looks like, for tests to compare against.
struct GeneratedRow {
  std::string address_text;  // as written in the address field
  std::string id;            // as written in "ID"
  bool deleted = false;
  int32_t address = 0;    // old address, 0 when none
  bool readable = false;  // address names a record of the old file
};

struct Generated {
  std::vector<GeneratedRow> rows;
  uint64_t records = 0;       // records written to the description file
  uint64_t stored_bytes = 0;  // their plain bytes
};

// Writes table_name (with .mdx/.dbt as asked) and data_name into dir.
// Fails when any of them exists.
platform::Status GenerateTable(const TableOptions& options, Generated* out,
                               platform::Env* env = platform::Env::Default());

// The three Tolm tables (opisy, opisyv, dokopisy, field "OPISTOP") with
// about `total_mb` of description files between them.
platform::Status GenerateTolm(const std::string& dir, uint32_t total_mb, uint64_t seed,
                              platform::Env* env = platform::Env::Default());

}  // namespace demodb
