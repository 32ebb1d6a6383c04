// The integrity check of a description file set: walks every block of every
// file, follows every record's chain and reports what it counts and every
// problem with its address. Reads only; holds the set's lock while walking,
// so writers of other programs wait for a consistent picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Env.h"
#include "store/Format.h"

namespace store {

struct CheckProblem {
  int File = 0;         // file number, 0 = base file
  uint64_t Offset = 0;  // byte offset in that file
  int32_t Address = 0;  // address of the block, 0 when there is none
  std::string Text;
};

struct CheckedFile {
  int Number = 0;
  std::string Name;
  uint64_t Size = 0;
};

struct CheckReport {
  bool HeaderOk = false;
  FileHeader Header;
  std::vector<CheckedFile> Files;
  int64_t Records = 0;
  int64_t Blocks = 0;
  int64_t StoredBytes = 0;  // payload bytes of all records' chains
  int64_t PlainBytes = 0;   // their lengths before compression
  int64_t CompressedRecords = 0;
  int64_t FreeBlocks = 0;
  int64_t OrphanBlocks = 0;  // in use, on no chain, owned by a chain that ends early
  // Chains that end early with a proper end mark: what a write interrupted
  // before it wrote the header leaves behind. Nothing refers to them.
  int64_t UnfinishedRecords = 0;
  std::vector<CheckProblem> Problems;
  std::vector<CheckProblem> Notes;  // harmless states, not damage
  int64_t ProblemCount = 0;         // Problems keeps the first kMaxListed

  static constexpr size_t kMaxListed = 1000;
  bool Clean() const { return HeaderOk && ProblemCount == 0; }
};

// Reads the header and lists the files of the set with their sizes.
// Fails (with *error) when the base file cannot be opened or its header is
// not a description file header.
bool ReadSetInfo(platform::Env* env, const std::string& fileName, CheckReport* report,
                 std::string* error);

// When `fileName` is a continuation file ("opisy.001") and no description
// file itself, the base file of its set beside it; "" otherwise. The walk
// starts at the base file only, so a check given a continuation file would
// report one bogus problem and miss the set.
std::string BaseFileOf(platform::Env* env, const std::string& fileName);

// The full walk. Returns false only when the set cannot be examined at all
// (*error says why); damage found is in the report.
bool CheckSet(platform::Env* env, const std::string& fileName, CheckReport* report,
              std::string* error);

}  // namespace store
