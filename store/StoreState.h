// The private state of tjxmemo, shared by its two halves: jxmemo.cpp (files,
// header, limit) and RecordChain.cpp (blocks, chains, records).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Env.h"
#include "store/FileSet.h"
#include "store/Format.h"
#include "store/jxmemo.h"

namespace store {

// " (adres 0000002A)" for messages about a block or record.
inline std::string At(int32_t address) {
  return " (adres " + HexAddress8(address) + ")";
}

struct tjxmemo::Impl {
  explicit Impl(platform::Env* e) : env(e), files(e) {}

  platform::Env* env;
  FileHeader Header;
  FileSet files;  // Handles, Written, FileName, BaseName
  std::unique_ptr<uint8_t[]> RecordBuffer;
  size_t recordBufferSize = 0;
  // Size of one file as the last block write left it, so that a chain asks
  // the system for the size once. Valid within one write, and across writes
  // of a private set (DeferFlush), which nobody else grows.
  int sizeCacheFile = -1;
  uint64_t sizeCacheValue = 0;
  bool Writable = false;
  bool pendingFlush = false;   // writes not yet flushed under DeferFlush
  bool headerPending = false;  // Header changed in memory, not yet in the file
  std::string lastError;
  // The last failure came from the system (a read, the lock, opening an
  // existing file), not from what the files hold.
  bool systemFailure = false;

  void ClearError() {
    lastError.clear();
    systemFailure = false;
  }
  bool Fail(std::string why) {
    lastError = std::move(why);
    return false;
  }
  bool FailSystem(std::string why) {
    systemFailure = true;
    return Fail(std::move(why));
  }
  // A failed platform call: an address outside the set or a file that is
  // not there says something about the files' content; anything else is
  // the system's failure.
  bool FailStatus(const platform::Status& s, std::string why) {
    if (s.code() == platform::Status::Code::kInvalid || s.IsNotFound()) return Fail(std::move(why));
    return FailSystem(std::move(why));
  }

  // Drops what refers to the files of the set, before they close or
  // others replace them.
  void ForgetFiles() {
    headerPending = false;
    pendingFlush = false;
    lostWrite = false;
    sizeCacheFile = -1;
    pending.clear();
    pendingFile = nullptr;
    pendingRecord = 0;
    windowFile = nullptr;
    readAhead = 0;
  }

  // Header of the base file.
  bool ReadHeader();
  bool WriteHeader();
  bool WriteHeaderTo(platform::File* f);

  // Block layer (RecordChain.cpp).
  bool Seek(int32_t address, bool forWrite, platform::File** f, uint64_t* offset);
  int32_t AllocateBlock(int k);
  bool ReadBlockHeader(int32_t address, BlockHeader* bh);
  bool WriteBlockHeader(int32_t address, const BlockHeader& bh);
  // Reads the block's header into *bh; *payload points at its payload in
  // SharedBuffer, valid until the next block operation.
  bool ReadBlock(int32_t address, BlockHeader* bh, int32_t owner, const uint8_t** payload);
  // A private write (DeferFlush) assembles blocks that follow each other in
  // one file here, across records, and writes them with one call when the
  // buffer is full, the next block goes elsewhere, or the set is flushed;
  // the links between them are set in memory. pendingRecord is where the
  // record being written began in the buffer, to drop it alone on failure.
  bool buffering = false;
  std::vector<uint8_t> pending;
  platform::File* pendingFile = nullptr;
  uint64_t pendingOffset = 0;
  size_t pendingRecord = 0;
  bool FlushPending();
  // A gathered write failed: blocks of records already reported written
  // are not in the files, and flushing the set must fail.
  bool lostWrite = false;
  std::string lostWriteError;  // its reason
  // Why the set was opened read-only when writing was tried first.
  std::string readOnlyWhy;
  // What the read window holds of which file: SharedBuffer for the blocks
  // of one record; for a held set, which nobody else changes, a buffer of
  // its own that serves the following records too and grows while the
  // reads go front to back.
  platform::File* windowFile = nullptr;
  uint64_t windowOffset = 0;
  size_t windowLength = 0;
  std::unique_ptr<uint8_t[]> heldWindow;
  size_t readAhead = 0;
  bool WriteBlock(int32_t address, int k, const uint8_t* data, const BlockHeader& bh);
  bool WriteChain(const uint8_t* bytes, int32_t count, int32_t plainLength, int32_t storedLength,
                  int32_t splitDepth, int32_t* address);
};

}  // namespace store
