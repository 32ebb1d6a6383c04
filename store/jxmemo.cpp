// tjxmemo: opening and creating a set, its header, the size limit and
// closing. Records are in RecordChain.cpp.
#include "store/jxmemo.h"

#include <cstring>

#include "platform/Coding.h"

#include "store/SharedBuffer.h"
#include "store/StoreState.h"

namespace store {

using platform::File;
using platform::OpenMode;
using platform::Status;

tjxmemo::tjxmemo(platform::Env* env) : impl_(std::make_unique<Impl>(env)) {}

tjxmemo::~tjxmemo() {
  impl_->RecordBuffer.reset();
  CloseAll();
}

bool tjxmemo::IsOpen() const {
  return impl_->files.IsOpen();
}
bool tjxmemo::Writable() const {
  return impl_->Writable;
}
int tjxmemo::CurrentFile() const {
  return impl_->Header.CurrentFile;
}
const std::string& tjxmemo::FileName() const {
  return impl_->files.FileName();
}
const std::string& tjxmemo::LastError() const {
  return impl_->lastError;
}
bool tjxmemo::LastReadFailedBySystem() const {
  return impl_->systemFailure;
}

bool tjxmemo::Impl::ReadHeader() {
  File* f = files.Handle(0);
  if (!f) return Fail("plik opisów nie jest otwarty");
  // One read of the largest header; its own length field says how much of
  // it counts.
  uint8_t buf[kHeaderSize] = {};
  size_t got = 0;
  Status s = f->ReadAt(0, buf, kHeaderSize, &got);
  if (!s.ok()) return FailSystem("odczyt nagłówka: " + s.ToString());
  if (got < static_cast<size_t>(kMinHeaderRead)) return Fail("nagłówek pliku jest ucięty");
  if (!IsKnownTag(buf)) return Fail("to nie jest plik opisów (nieznany znacznik pliku)");
  size_t length = platform::DecodeU16(buf + 4);
  if (length > static_cast<size_t>(kHeaderSize))
    return Fail("długość nagłówka " + std::to_string(length) + " przekracza 148 bajtów");
  if (got < length) return Fail("nagłówek pliku jest ucięty");
  std::string why;
  FileHeader h;
  if (!FileHeader::DecodeFrom(buf, length, &h, &why)) return Fail(why);
  Header = h;
  return true;
}

bool tjxmemo::Impl::WriteHeaderTo(File* f) {
  if (!f) return Fail("plik opisów nie jest otwarty");
  uint8_t* buf = SharedBuffer();
  std::memset(buf, 0, kHeaderBlockSize);
  Header.EncodeTo(buf);
  Status s = f->WriteAt(0, buf, kHeaderBlockSize);
  if (!s.ok()) return Fail("zapis nagłówka: " + s.ToString());
  return true;
}

bool tjxmemo::Impl::WriteHeader() {
  return WriteHeaderTo(files.Handle(0));
}

bool tjxmemo::Open(const std::string& FileName) {
  Impl& m = *impl_;
  if (m.files.IsOpen()) CloseAll();
  m.ForgetFiles();
  m.ClearError();
  m.files.SetFileName(FileName);
  m.Writable = true;
  m.readOnlyWhy.clear();
  Status s = m.files.OpenBase(OpenMode::kReadWriteShared);
  if (!s.ok()) {
    m.Writable = false;
    m.readOnlyWhy = s.ToString();
    s = m.files.OpenBase(OpenMode::kReadOnlyShared);
    if (!s.ok())
      return m.FailStatus(s, "nie można otworzyć pliku " + FileName + ": " + s.ToString());
  }
  Status locked = m.files.Lock();
  bool ok = locked.ok() && m.ReadHeader();
  if (!locked.ok()) m.FailSystem("blokada pliku: " + locked.ToString());
  if (locked.ok()) (void)m.files.Unlock();
  if (!ok) {
    std::string why = m.lastError;
    m.files.CloseAll();
    m.Writable = false;
    return m.Fail(why);
  }
  return true;
}

bool tjxmemo::OpenHeld(const std::string& FileName, std::string* file, platform::Status* why) {
  Impl& m = *impl_;
  if (m.files.IsOpen()) CloseAll();
  m.ForgetFiles();
  m.ClearError();
  m.files.SetFileName(FileName);
  m.Writable = false;
  auto failed = [&](const std::string& name, const Status& s) {
    if (file) *file = name;
    if (why) *why = s;
    std::string reason = name + ": " + s.ToString();
    m.files.CloseAll();
    return m.Fail(reason);
  };
  Status s = m.files.OpenBase(OpenMode::kReadOnlyExclusive);
  if (!s.ok()) return failed(FileName, s);
  // Nobody else can open the file now, but the header is read under the
  // lock byte all the same, as every reader does.
  s = m.files.Lock();
  if (!s.ok()) return failed(FileName, s);
  const bool header = m.ReadHeader();
  (void)m.files.Unlock();
  if (!header) return failed(FileName, Status::Invalid(m.lastError));
  m.files.SetHeld(true);
  for (int n = 1; n <= m.Header.CurrentFile; ++n) {
    s = m.files.OpenContinuation(n, false);
    if (!s.ok()) return failed(m.files.NameOf(n), s);
  }
  return true;
}

bool tjxmemo::CreateNew(const std::string& FileName, int32_t MaxBytes) {
  Impl& m = *impl_;
  if (m.files.IsOpen()) CloseAll();
  m.ForgetFiles();
  m.ClearError();
  m.files.SetFileName(FileName);
  if (m.env->FileExists(FileName)) return m.Fail("plik " + FileName + " już istnieje");
  std::unique_ptr<File> f;
  Status s = m.env->OpenFile(FileName, OpenMode::kCreateExclusive, &f);
  if (!s.ok()) return m.Fail("nie można utworzyć pliku " + FileName + ": " + s.ToString());
  m.Header = FileHeader::NewFile(MaxBytes);
  bool written = m.WriteHeaderTo(f.get());
  Status closed = f->Close();
  if (!written) return false;
  if (!closed.ok()) return m.Fail("zamknięcie pliku: " + closed.ToString());
  return Open(FileName);
}

int32_t tjxmemo::SetMaxSize(int32_t MaxBytes, const std::string& FileName) {
  Impl& m = *impl_;
  m.ClearError();
  std::string name = FileName.empty() ? m.files.FileName() : FileName;
  int32_t limit = FileHeader::LimitFromBytes(MaxBytes);
  bool wasOpen = m.files.IsOpen();
  if (wasOpen && !CloseAll()) return -1;
  m.files.SetFileName(name);
  if (m.env->FileExists(ContinuationName(m.files.BaseName(), 1))) {
    m.Fail("plik jest już podzielony (istnieje plik " + ContinuationName(m.files.BaseName(), 1) +
           ")");
    return -2;
  }
  Status s = m.files.OpenBase(OpenMode::kReadWriteExclusive);
  if (!s.ok()) {
    m.Fail("nie można otworzyć pliku na wyłączność: " + s.ToString());
    return -3;
  }
  int32_t result;
  uint64_t size = 0;
  if (!m.ReadHeader()) {
    result = -4;
  } else if (!(s = m.files.Handle(0)->Size(&size)).ok()) {
    m.Fail("rozmiar pliku: " + s.ToString());
    result = -5;
  } else if (limit != 0 && static_cast<uint64_t>(limit) < size / kKilobyte) {
    m.Fail("nowy limit jest mniejszy niż obecny rozmiar pliku");
    result = -5;
  } else {
    m.Header.SetLimit(limit);
    // A failed header write reports like an unreadable header.
    result = m.WriteHeader() ? limit * kKilobyte : -4;
  }
  std::unique_ptr<File> f = m.files.TakeHandle(0);
  (void)f->Close();
  std::string why = m.lastError;
  if (wasOpen) Open(name);
  if (result < 0) m.lastError = why;
  return result;
}

int32_t tjxmemo::ReadMaxSize(const std::string& FileName) {
  Impl& m = *impl_;
  m.ClearError();
  bool opened = false;
  if (!m.files.IsOpen()) {
    m.files.SetFileName(FileName.empty() ? m.files.FileName() : FileName);
    Status s = m.files.OpenBase(OpenMode::kReadOnlyShared);
    if (!s.ok()) {
      m.Fail("nie można otworzyć pliku: " + s.ToString());
      return -1;
    }
    opened = true;
  }
  // Read into a copy so that an open store keeps the header it has.
  FileHeader saved = m.Header;
  bool ok = m.ReadHeader();
  int32_t result = ok ? m.Header.MaxSize * kKilobyte : -1;
  if (opened) {
    std::unique_ptr<File> f = m.files.TakeHandle(0);
    (void)f->Close();
  } else {
    m.Header = saved;
  }
  return result;
}

bool tjxmemo::CloseAll() {
  Impl& m = *impl_;
  // A private set's header and data are written before its files close; if
  // that fails, the set is incomplete and closing reports it.
  bool flushed = true;
  if ((m.pendingFlush || m.headerPending || m.lostWrite) && m.files.IsOpen()) flushed = FlushAll();
  std::string flushError = m.lastError;
  m.ForgetFiles();
  std::string why;
  bool ok = m.files.CloseAll(&why);
  m.Writable = false;
  if (!ok) return m.Fail("zamknięcie pliku: " + why);
  if (!flushed) return m.Fail(flushError);
  return true;
}

bool tjxmemo::FlushAll() {
  Impl& m = *impl_;
  m.pendingFlush = false;
  // The first failure's reason (a gathered write, the header, a flush) is
  // the one the user needs.
  std::string why = m.lostWrite ? m.lostWriteError : std::string();
  bool ok = !m.lostWrite;
  if (!m.FlushPending()) {
    if (ok) why = m.lastError;
    ok = false;
  }
  if (m.headerPending && m.files.IsOpen()) {
    const bool written = m.WriteHeader();
    m.headerPending = !written;
    if (!written && ok) why = m.lastError;
    ok = ok && written;
  }
  std::string flush_error;
  if (!m.files.FlushAll(&flush_error)) {
    if (ok) why = flush_error;
    ok = false;
  }
  if (!ok) return m.Fail("nie udało się zapisać danych na dysk: " + why);
  return true;
}

}  // namespace store
