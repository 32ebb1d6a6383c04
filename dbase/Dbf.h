// The .dbf header and field descriptors: decoding with every length checked
// against the others and against the file size, and encoding for new
// tables. Record n (1-based) starts at header_length + (n-1)*record_length;
// its first byte is the deletion flag (' ' or '*').
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbase/Table.h"

namespace dbase {

struct DbfHeader {
  uint8_t version = 0x03;
  uint8_t updated[3] = {0, 1, 1};  // YY (years since 1900), MM, DD
  uint32_t record_count = 0;
  uint16_t header_length = 0;
  uint16_t record_length = 0;
  bool production_mdx = false;  // byte 28
  uint8_t language_driver = 0;  // byte 29
  bool level7 = false;          // 48-byte descriptors from offset 68
  std::string driver_name;      // level 7: bytes 32..63
  std::vector<FieldDef> fields;
};

// ASCII letter case ignored, as dBASE compares field and tag names.
bool EqualsIgnoreCase(const std::string& a, const std::string& b);

// The path of a table's companion file, "base.DBF" -> "base.MDX", "base.dbf"
// -> "base.mdx": the extension given in upper case, lowered when the table's
// own extension has a lower-case letter or there is none. Reading and
// writing tables both use it.
std::string CompanionPath(const std::string& dbf_path, const char* upper_ext);

// Length of the fixed part read first; the header length is at bytes 8-9.
inline constexpr size_t kDbfFixedHeader = 32;

// Whether a version byte is one of the dBASE table types we open.
bool KnownDbfVersion(uint8_t version);
const char* DbfVersionName(uint8_t version);
// Whether the table type or its fields call for a .dbt memo file.
bool NeedsMemoFile(const DbfHeader& h);

// Decodes `size` bytes of header (all header_length bytes, or the whole
// file when shorter) of a file of `file_size` bytes. On failure *error gets
// a Polish reason.
bool ParseDbfHeader(const uint8_t* data, size_t size, uint64_t file_size, DbfHeader* h,
                    std::string* error);

// Reads and decodes the header of the open table file `dbf_path`; a header
// that does not decode gives Invalid "Uszkodzona tabela <path>: <reason>".
platform::Status ReadDbfHeader(platform::File* dbf, const std::string& dbf_path, DbfHeader* h);

// Today's date as the headers store it: years since 1900, month, day.
void TodayDate(uint8_t out[3]);
// The date of y-m-d as stored, or today when y is 0.
void HeaderDate(int y, int m, int d, uint8_t out[3]);

// Encodes a header with its descriptors and terminator; fills in offsets,
// header length and record length. Checks field names, types and lengths.
bool EncodeDbfHeader(DbfHeader* h, std::vector<uint8_t>* out, std::string* error);

}  // namespace dbase
