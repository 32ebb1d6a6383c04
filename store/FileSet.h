// The files of one description file set: the base file (number 0) and the
// continuation files 1..999, their handles, which of them were written since
// the last flush, the mapping of an address onto a file and offset, and the
// lock byte of the set. Continuation files are opened on first use and stay
// open until CloseAll.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Env.h"
#include "platform/Status.h"
#include "store/Format.h"

namespace store {

class FileSet {
 public:
  explicit FileSet(platform::Env* env) : env_(env) {}
  ~FileSet() { CloseAll(); }
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  platform::Env* env() const { return env_; }

  // FileName and BaseName (the name cut after the dot of its extension).
  // Drops any handle still held: call it on a closed set.
  void SetFileName(const std::string& name);
  const std::string& FileName() const { return fileName_; }
  const std::string& BaseName() const { return baseName_; }
  std::string NameOf(int n) const { return n == 0 ? fileName_ : ContinuationName(baseName_, n); }

  bool IsOpen() const { return Handles[0] != nullptr; }
  platform::File* Handle(int n) const { return Handles[static_cast<size_t>(n)].get(); }
  std::unique_ptr<platform::File> TakeHandle(int n) {
    return std::move(Handles[static_cast<size_t>(n)]);
  }

  platform::Status OpenBase(platform::OpenMode mode);
  // Opens continuation file n shared, read-write when writable; read-only
  // and exclusively for a held set.
  platform::Status OpenContinuation(int n, bool writable);
  // A held set is read by one process that keeps everybody else out of
  // every file it opens, from the base file on. SetFileName clears it.
  void SetHeld(bool held) { held_ = held; }
  bool Held() const { return held_; }

  // Where the block at `address` lies under limit `limitKb`. A continuation
  // file not yet open is opened; when it does not exist and the call is for
  // writing on a writable set, it is created empty and *currentFile becomes
  // its number. Written marks are set for continuation files written to.
  platform::Status SeekAddress(int32_t address, int32_t limitKb, bool forWrite, bool writable,
                               uint16_t* currentFile, platform::File** file, uint64_t* offset);

  // The lock byte at offset 1023 of the base file; waits until granted.
  // Fails on a closed set.
  platform::Status Lock();
  platform::Status Unlock();

  // Closes the base file, then continuation files in order while every
  // close succeeds. Every attempted handle is dropped.
  bool CloseAll(std::string* error = nullptr);

  void ClearDirty() { Written.fill(false); }
  // Flushes the base file and each continuation file written since the
  // last flush, all of them even when one fails; false when any failed,
  // with the first failure's reason in *error.
  bool FlushAll(std::string* error = nullptr);

 private:
  platform::Env* env_;
  std::string fileName_;
  std::string baseName_;
  std::array<std::unique_ptr<platform::File>, kMaxFileNumber + 1> Handles;
  std::array<bool, kMaxFileNumber + 1> Written{};
  bool held_ = false;
};

}  // namespace store
