// Small real databases for division tests: a description file written with
// the store (records of mixed sizes, some stored compressed, some plain,
// some incompressible) and a table whose rows point into it, with the
// cases the row loop treats differently (empty, marker, zero, unreadable).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dbase/TableWriter.h"
#include "engine/Common.h"
#include "store/jxmemo.h"
#include "tests/platform/Shell.h"

namespace testing_util {

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every regular file below dir, relative path -> content.
inline std::map<std::string, std::string> FileTree(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) {
      out[std::filesystem::relative(e.path(), dir).generic_string()] = ReadAll(e.path().string());
    }
  }
  return out;
}

// Record contents: i-th record of a seed, sizes spread over every block
// class and past the largest one; every third is random (incompressible).
inline std::string RecordBytes(uint32_t seed, int i) {
  static const int kSizes[] = {40, 990, 3012, 5000, 20000, 70000, 262114, 300000, 1500};
  const int size = kSizes[i % 9] + (i * 37) % 200;
  std::mt19937 gen(seed * 7919u + static_cast<uint32_t>(i));
  std::string s(static_cast<size_t>(size), '\0');
  if (i % 3 == 0) {
    for (char& c : s) c = static_cast<char>(gen());
  } else {
    const std::string words[] = {"punkt ", "osnowy ", "opis ", "kamień ", "ul. Polna "};
    for (size_t k = 0; k < s.size(); ++k) s[k] = words[(k / 7 + gen() % 2) % 5][k % 6];
  }
  return s;
}

// A description file of `count` records; the first half is stored
// compressed (where it shrinks), the second half plain. Returns addresses.
inline std::vector<int32_t> WriteDescriptionFile(const std::string& path, int count,
                                                 uint32_t seed) {
  store::tjxmemo s;
  EXPECT_TRUE(s.CreateNew(path, 0)) << s.LastError();
  std::vector<int32_t> addresses;
  for (int i = 0; i < count; ++i) {
    s.CompressRecords = i < count / 2;
    const std::string bytes = RecordBytes(seed, i);
    int32_t address = 0;
    EXPECT_TRUE(s.WriteRecord(static_cast<int32_t>(bytes.size()), address,
                              reinterpret_cast<const uint8_t*>(bytes.data()), 0))
        << s.LastError();
    addresses.push_back(address);
  }
  s.CloseAll();
  return addresses;
}

struct RowSpec {
  std::string id, address;
};

// Rows over the records: every record once in a shuffled order, one twice,
// plus an empty address, a marker row, an address 0, an unreadable address
// and a lower-case address.
inline std::vector<RowSpec> MixedRows(const std::vector<int32_t>& addresses) {
  std::vector<RowSpec> rows;
  for (size_t i = 0; i < addresses.size(); ++i) {
    const size_t k = (i * 5 + 3) % addresses.size();
    rows.push_back({"R" + std::to_string(i), engine::IntToHex8(addresses[k])});
  }
  if (addresses.empty()) return rows;
  rows.push_back({"DUP", engine::IntToHex8(addresses[0])});
  rows.push_back({"EMPTY", ""});
  rows.push_back({std::string(5, '\xFF'), engine::IntToHex8(addresses[1 % addresses.size()])});
  rows.push_back({"ZERO", "0"});
  rows.push_back({"BAD", "7FFFFF"});
  std::string lower = engine::IntToHex8(addresses.back());
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  rows.push_back({"LOWER", lower});
  return rows;
}

// A table dir/name with fields ID, the address field and a note, an .mdx
// with a tag on the address field.
inline void WriteTable(const std::string& dir, const std::string& name, const std::string& field,
                       const std::vector<RowSpec>& rows) {
  dbase::TableLayout layout;
  layout.version = 0x03;
  layout.fields = {{"ID", 'C', 5}, {field, 'C', 10}, {"NAZWA", 'C', 12}};
  layout.tags = {{"ADR", field}};
  dbase::TableWriter w;
  ASSERT_TRUE(w.Create(dir, name, layout).ok());
  int n = 0;
  for (const auto& r : rows) {
    ASSERT_TRUE(w.AppendRow({r.id, r.address, "wiersz " + std::to_string(++n)}).ok());
  }
  ASSERT_TRUE(w.Finish().ok());
}

// A table and its description file in dir; returns the record addresses.
inline std::vector<int32_t> WriteJob(const std::string& dir, const std::string& table,
                                     const std::string& data, const std::string& field, int records,
                                     uint32_t seed) {
  std::filesystem::create_directories(dir);
  std::vector<int32_t> addresses = WriteDescriptionFile(dir + data, records, seed);
  WriteTable(dir, table, field, MixedRows(addresses));
  return addresses;
}

struct CliRun {
  int code;
  std::string out, err;
};

// Runs the built podzial-cli with `args`, stdin from the null device (no
// terminal); the output goes through files in `scratch` (a directory).
inline CliRun RunCli(const std::string& scratch, const std::string& args) {
  const std::string out = scratch + "cli-out.txt", err = scratch + "cli-err.txt";
  const int code = RunShell(BuiltProgram("cli/podzial-cli") + " " + args + " <" + kNullDevice +
                            " >" + ShellQuote(out) + " 2>" + ShellQuote(err));
  CliRun r{code, ReadAll(out), ReadAll(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

}  // namespace testing_util
