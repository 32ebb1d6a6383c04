// tjxmemo: the description store. One instance works on one description
// file set (a base file with a header and up to 999 numbered continuation
// files) and reads records by address, appends records as block chains,
// records and reads the size limit. It never throws: results are Boolean or
// negative codes, with a reason kept in LastError() for tools that report.
//
// The public surface below is what the division engine and the tools use;
// the names follow the store's documented operations.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace store {

class tjxmemo {
 public:
  explicit tjxmemo(platform::Env* env = platform::Env::Default());
  ~tjxmemo();  // releases the record buffer, then CloseAll
  tjxmemo(const tjxmemo&) = delete;
  tjxmemo& operator=(const tjxmemo&) = delete;

  // Opens an existing description file set (read-write, else read-only).
  bool Open(const std::string& FileName);
  // Opens a set for reading only and holds it: the base file and every
  // continuation file up to the one the header names as current are opened
  // exclusively at once (later ones when first read), so that no other
  // program opens any of them until CloseAll. Records of a held set are
  // read without the lock byte: nobody is there to keep out. Fails when
  // one of those files is missing, held by someone else or unreadable;
  // *file then names it and *why tells which (NotFound, Busy, or another
  // status).
  bool OpenHeld(const std::string& FileName, std::string* file = nullptr,
                platform::Status* why = nullptr);
  // Creates a new empty set with the limit in its header, then opens it.
  bool CreateNew(const std::string& FileName, int32_t MaxBytes);
  // Records a new limit: M * 1024 (0 = none) or -1 .. -5.
  int32_t SetMaxSize(int32_t MaxBytes, const std::string& FileName);
  // The recorded limit in bytes, 0 = none, -1 = unreadable.
  int32_t ReadMaxSize(const std::string& FileName);
  // Reads the record at Address. Data points into the store's record buffer
  // and stays valid until the next ReadRecord or the store's destruction.
  bool ReadRecord(int32_t& Size, int32_t Address, const uint8_t*& Data, bool Unpack,
                  int32_t& PlainSize);
  // Whether a record starts at Address, by its first block's header alone
  // (the block is the record's own, of a known class, with sound lengths):
  // a cheap test of many addresses that reads no record. False with the
  // reason in LastError() and LastReadFailedBySystem() as ReadRecord
  // gives them.
  bool HasRecordAt(int32_t Address);
  // Appends Size bytes as a new record (PlainSize > 0: Data is already
  // compressed and PlainSize its plain length) and returns its Address.
  bool WriteRecord(int32_t Size, int32_t& Address, const uint8_t* Data, int32_t PlainSize);
  bool CloseAll();
  // Flushes the base file and every continuation file written to; false
  // when a flush failed (the data may not have reached the disk).
  bool FlushAll();

  // Number of next-smaller block classes weighed for a record's tail.
  int32_t SplitDepth = 4;
  // Compress plain records on writing.
  bool CompressRecords = true;
  // When true, the set is private (a new file in a private working
  // directory that nobody else can see yet): WriteRecord neither flushes
  // nor takes the lock, keeps the header in memory instead of re-reading
  // and rewriting it for every record, and gathers the blocks of
  // consecutive records in a buffer of a few MB that goes to the file in
  // one write. FlushAll (or CloseAll, or the destructor) writes what is
  // gathered and the header, and flushes every file written; it fails when
  // any of those writes failed, a gathered one included.
  bool DeferFlush = false;

  bool IsOpen() const;
  bool Writable() const;
  // The highest continuation file the header says the set has (0: only
  // the base file).
  int CurrentFile() const;
  const std::string& FileName() const;
  // Why the last failing call failed, for tools and messages.
  const std::string& LastError() const;
  // After ReadRecord returned false: true when the system failed (a read,
  // the lock, opening a continuation file that exists, memory), so the
  // record may well be sound; false when the files hold no valid record at
  // the address (outside the set, a damaged block or chain, bad lengths, a
  // missing continuation file).
  bool LastReadFailedBySystem() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace store
