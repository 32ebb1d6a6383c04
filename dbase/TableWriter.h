// Creates a new dBASE table: the .dbf, optionally its .dbt memo file and a
// production .mdx whose tags are built from the rows as dBASE lays them out.
// For tests, the demo-database generator and benchmarks.
//
//   dbase::TableLayout layout;
//   layout.version = 0x03;                       // 0x03 0x83 0x8B 0x8E 0x04 0x8C
//   layout.fields = {{"ID", 'C', 5}, {"OPISTOP", 'C', 8}, {"KWOTA", 'N', 10, 2}};
//   layout.tags = {{"OPISTOP", "OPISTOP"}, {"IDADR", "ID+OPISTOP", ".NOT. DELETED()"}};
//   dbase::TableWriter w;
//   Status s = w.Create("/data/baza", "PUNKTY.DBF", layout);
//   s = w.AppendRow({"00001", "0000A1F0", "12.50"});
//   s = w.Finish();                             // header count, 0x1A, .mdx
//
// Rows are given as texts, one per field in field order: C left-aligned and
// padded with blanks (bytes as given, no code-page translation); N and F
// right-aligned; D "YYYYMMDD" or empty; L one of T F Y N ? or empty; M the
// memo text itself, written to the .dbt (empty = no memo). A text that does
// not fit its field is an error, never cut. Nothing here overwrites an
// existing file: Create fails when the .dbf, .dbt or .mdx name exists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dbase/Table.h"
#include "platform/Env.h"

namespace dbase {

struct FieldLayout {
  std::string name;  // up to 10 characters (31 at level 7)
  char type = 'C';   // C N F D L M
  int length = 0;    // D: 8, L: 1, M: 10
  int decimals = 0;
};

struct TagLayout {
  std::string name;         // up to 10 characters
  std::string expression;   // key expression, e.g. "UPPER(NAZWA)+ID"
  std::string filter = {};  // FOR condition, empty for none
  bool unique = false;      // one entry per distinct key
  bool descending = false;
};

// How the .mdx lays out its blocks and nodes. dBASE and its engine use
// 1,024-byte blocks and derive the keys per node as (block - 12) / item
// length; other writers keep 8 bytes instead, leaving interior nodes no
// room for their extra pointer when full.
struct MdxLayout {
  uint16_t pages_per_block = 2;  // 512-byte pages per block
  size_t node_reserve = 12;
};

struct TableLayout {
  uint8_t version = 0x03;
  uint8_t language_driver = 0x00;  // byte 29 (0x57: binary ANSI, 0x23 Polish 852 ...)
  std::vector<FieldLayout> fields;
  // A .dbt is written when the version byte has bit 7 set or a field is M.
  uint16_t memo_block_size = 512;  // dBASE IV memo files only
  // Non-empty: a production .mdx with these tags; byte 28 of the .dbf set.
  std::vector<TagLayout> tags;
  MdxLayout mdx;
  // Date of last update written to the headers; {0,0,0} = today.
  int year = 0, month = 0, day = 0;
};

class TableWriter {
 public:
  explicit TableWriter(platform::Env* env = platform::Env::Default());
  ~TableWriter();
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  // Creates `dir`/`file_name` (the .dbf) and, as the layout asks for them,
  // the .dbt and .mdx beside it with the same base name and the extension's case.
  platform::Status Create(const std::string& dir, const std::string& file_name,
                          const TableLayout& layout);
  // Appends one row; `deleted` writes the deletion flag '*'.
  platform::Status AppendRow(const std::vector<std::string>& texts, bool deleted = false);
  // Writes the record count, the end-of-file byte, the memo header and the
  // index, and closes every file. Required: a table without Finish has a
  // zero record count.
  platform::Status Finish();

  // Paths of the files written (empty when not written).
  const std::string& DbtPath() const;
  const std::string& MdxPath() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Builds a production .mdx for an existing table from its rows (used by
// TableWriter; also handy to give a test table an index afterwards). The
// .mdx must not exist yet; byte 28 of the .dbf is set.
platform::Status WriteProductionIndex(platform::Env* env, const std::string& dbf_path,
                                      const std::vector<TagLayout>& tags, int year = 0,
                                      int month = 0, int day = 0,
                                      const MdxLayout& mdx = MdxLayout());

}  // namespace dbase
