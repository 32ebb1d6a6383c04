// Opening, positioning, locking, flushing and closing the files of a set.
#include "store/FileSet.h"

namespace store {

using platform::File;
using platform::OpenMode;
using platform::Status;

void FileSet::SetFileName(const std::string& name) {
  // Files that a failed CloseAll left open belong to the old name; kept,
  // they would serve that set's blocks for this one's addresses.
  for (auto& h : Handles) h.reset();
  fileName_ = name;
  baseName_ = BaseNameOf(name);
  held_ = false;
}

Status FileSet::OpenBase(OpenMode mode) {
  std::unique_ptr<File> f;
  Status s = env_->OpenFile(fileName_, mode, &f);
  if (s.ok()) Handles[0] = std::move(f);
  return s;
}

Status FileSet::OpenContinuation(int n, bool writable) {
  if (n < 1 || n > kMaxFileNumber) return Status::Invalid("numer pliku poza zbiorem");
  std::unique_ptr<File> f;
  const OpenMode mode = held_      ? OpenMode::kReadOnlyExclusive
                        : writable ? OpenMode::kReadWriteShared
                                   : OpenMode::kReadOnlyShared;
  Status s = env_->OpenFile(NameOf(n), mode, &f);
  Handles[static_cast<size_t>(n)] = std::move(f);  // null on failure
  return s;
}

Status FileSet::SeekAddress(int32_t address, int32_t limitKb, bool forWrite, bool writable,
                            uint16_t* currentFile, File** file, uint64_t* offset) {
  Location loc;
  if (!MapAddress(address, limitKb, &loc))
    return Status::Invalid("adres " + HexAddress8(address) + " poza zbiorem plików");
  if (loc.File > 0 && !Handles[static_cast<size_t>(loc.File)]) {
    std::string name = NameOf(loc.File);
    if (!env_->FileExists(name) && writable && forWrite) {
      std::unique_ptr<File> created;
      Status s = env_->OpenFile(name, OpenMode::kCreateExclusive, &created);
      if (!s.ok()) return s;
      s = created->Close();
      if (!s.ok()) return s;
      *currentFile = static_cast<uint16_t>(loc.File);
    }
    Status s = OpenContinuation(loc.File, writable);
    // A continuation file that may only be read still gives its records.
    if (!s.ok() && writable && !forWrite && !s.IsNotFound()) s = OpenContinuation(loc.File, false);
    if (!s.ok()) return s;
  }
  if (loc.File > 0 && forWrite) Written[static_cast<size_t>(loc.File)] = true;
  *file = Handles[static_cast<size_t>(loc.File)].get();
  if (!*file) return Status::IOError("plik zbioru nie jest otwarty");
  *offset = loc.Offset;
  return Status::OK();
}

Status FileSet::Lock() {
  if (!Handles[0]) return Status::IOError("plik opisów nie jest otwarty");
  return Handles[0]->LockByte(kLockOffset);
}

Status FileSet::Unlock() {
  if (!Handles[0]) return Status::IOError("plik opisów nie jest otwarty");
  return Handles[0]->UnlockByte(kLockOffset);
}

bool FileSet::CloseAll(std::string* error) {
  bool ok = true;
  auto close = [&](size_t n) {
    std::unique_ptr<File> f = std::move(Handles[n]);
    Status s = f->Close();
    if (!s.ok()) {
      ok = false;
      if (error) *error = s.ToString();
    }
  };
  if (Handles[0]) close(0);
  for (size_t n = 1; n <= kMaxFileNumber && ok; ++n)
    if (Handles[n]) close(n);
  return ok;
}

bool FileSet::FlushAll(std::string* error) {
  bool ok = true;
  auto flush = [&](platform::File* f) {
    const platform::Status s = f->Flush();
    if (!s.ok() && ok && error) *error = s.ToString();
    ok = ok && s.ok();
  };
  if (Handles[0]) flush(Handles[0].get());
  for (size_t n = 1; n <= kMaxFileNumber; ++n) {
    if (Written[n] && Handles[n]) flush(Handles[n].get());
    Written[n] = false;
  }
  return ok;
}

}  // namespace store
