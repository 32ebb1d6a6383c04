// tjxmemo's record half: reading a record's chain and writing a record as a
// new chain by the packing rule, compressing before the lock is taken and
// expanding after it is released.
#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_set>
#include <vector>

#include "store/Compression.h"
#include "store/SharedBuffer.h"
#include "store/StoreState.h"

namespace store {

using platform::Status;

namespace {

// A deflate stream expands at most 1032-fold; a plain length beyond that
// for the stored bytes cannot be right and is refused before allocating.
constexpr int64_t kMaxInflateRatio = 1032;

std::unique_ptr<uint8_t[]> TryAllocate(size_t n) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n == 0 ? 1 : n]);
}

}  // namespace

bool tjxmemo::Impl::WriteChain(const uint8_t* bytes, int32_t count, int32_t plainLength,
                               int32_t storedLength, int32_t splitDepth, int32_t* address) {
  std::vector<int> chain = PackRecord(Header, count, splitDepth);
  int32_t R = count;
  int32_t previous = 0;
  BlockHeader previousHeader;
  for (int k : chain) {
    int32_t A = AllocateBlock(k);
    if (A == -1) return false;
    if (previous == 0) *address = A;
    int32_t n = std::min(Header.Class(k).Capacity, R);
    BlockHeader bh;
    bh.Class = static_cast<uint16_t>(k);
    bh.Owner = *address;
    bh.Next = -1;
    bh.PayloadLength = n;
    bh.PlainLength = plainLength;
    bh.StoredLength = storedLength;
    // The block is written before the previous one is linked to it, so an
    // interrupted write never leaves a link to a block that is not there:
    // its chain just ends early.
    if (!WriteBlock(A, k, bytes + (count - R), bh)) return false;
    if (previous != 0) {
      previousHeader.Next = A;
      if (!WriteBlockHeader(previous, previousHeader)) return false;
    }
    R -= n;
    previous = A;
    previousHeader = bh;
  }
  return true;
}

bool tjxmemo::HasRecordAt(int32_t Address) {
  Impl& m = *impl_;
  m.ClearError();
  if (Address == 0) return m.Fail("adres 0 nie wskazuje rekordu");
  if (!m.FlushPending()) return m.FailSystem(m.lastError);
  const bool held = m.files.Held();
  if (!held) {
    Status s = m.files.Lock();
    if (!s.ok()) return m.FailSystem("blokada pliku: " + s.ToString());
  }
  BlockHeader bh;
  const bool read = m.ReadBlockHeader(Address, &bh);
  if (!held) (void)m.files.Unlock();
  if (!read) return false;
  if (bh.Owner != Address) return m.Fail("blok należy do innego rekordu" + At(Address));
  if (bh.Class < 1 || bh.Class > m.Header.ClassCount)
    return m.Fail("nieprawidłowa klasa bloku " + std::to_string(bh.Class) + At(Address));
  if (bh.PayloadLength <= 0 || bh.PayloadLength > m.Header.Class(bh.Class).Capacity)
    return m.Fail("nieprawidłowa długość danych w bloku " + std::to_string(bh.PayloadLength) +
                  At(Address));
  if (bh.PlainLength <= 0 || bh.StoredLength < 0)
    return m.Fail("nieprawidłowa długość rekordu" + At(Address));
  return true;
}

bool tjxmemo::ReadRecord(int32_t& Size, int32_t Address, const uint8_t*& Data, bool Unpack,
                         int32_t& PlainSize) {
  Impl& m = *impl_;
  m.ClearError();
  if (Address == 0) return true;
  // Blocks this store still gathers in memory are read from the files.
  if (!m.FlushPending()) return m.FailSystem(m.lastError);
  // A held set keeps every other program out of its files for as long as
  // it is open: the lock byte would guard against nobody.
  const bool held = m.files.Held();
  if (!held) {
    Status s = m.files.Lock();
    if (!s.ok()) return m.FailSystem("blokada pliku: " + s.ToString());
  }
  struct Unlocker {
    FileSet& files;
    bool locked;
    void Release() {
      if (locked) (void)files.Unlock();
      locked = false;
    }
    ~Unlocker() { Release(); }
  } unlocker{m.files, !held};

  BlockHeader bh;
  const uint8_t* payload = nullptr;
  if (!held) m.windowFile = nullptr;  // SharedBuffer may hold anybody's block by now
  if (!m.ReadBlock(Address, &bh, Address, &payload)) return false;
  const int32_t plain = bh.PlainLength;
  const int32_t stored = bh.StoredLength;
  if (plain <= 0)
    return m.Fail("nieprawidłowa długość rekordu " + std::to_string(plain) + At(Address));
  if (stored < 0)
    return m.Fail("nieprawidłowa długość spakowana " + std::to_string(stored) + At(Address));
  int32_t L, P;
  if (Unpack || stored == 0) {
    PlainSize = 0;
    L = plain;
    P = stored;
  } else {
    PlainSize = plain;
    L = stored;
    P = 0;
  }
  m.RecordBuffer.reset();
  m.recordBufferSize = 0;
  if (stored != 0 &&
      static_cast<int64_t>(plain) > static_cast<int64_t>(stored) * kMaxInflateRatio + 64)
    return m.Fail("długość rekordu nie pasuje do długości spakowanej" + At(Address));

  // The stored bytes go straight into a buffer of the claimed length when
  // that length is moderate (4 MB). A larger claim is only believed as far as the
  // chain really delivers: such records grow a buffer block by block.
  const int64_t capacity = P != 0 ? P : L;
  constexpr int64_t kTrustedLength = 4 << 20;
  std::unique_ptr<uint8_t[]> direct;
  std::vector<uint8_t> grown;
  const bool useDirect = capacity <= kTrustedLength;
  if (useDirect) {
    direct = TryAllocate(static_cast<size_t>(capacity));
    if (!direct) return m.FailSystem("brak pamięci na rekord" + At(Address));
  } else {
    try {
      grown.reserve(static_cast<size_t>(kTrustedLength));
    } catch (const std::bad_alloc&) {
      return m.FailSystem("brak pamięci na rekord" + At(Address));
    }
  }
  int64_t filled = 0;
  // Blocks visited, to stop a chain that loops. Short chains (nearly all)
  // are searched in a small list; long ones go to a set.
  std::vector<int32_t> recent{Address};
  std::unordered_set<int32_t> many;
  auto firstVisit = [&](int32_t a) {
    if (many.empty()) {
      if (std::find(recent.begin(), recent.end(), a) != recent.end()) return false;
      recent.push_back(a);
      if (recent.size() > 32) many.insert(recent.begin(), recent.end());
      return true;
    }
    return many.insert(a).second;
  };
  try {
    for (;;) {
      if (filled + bh.PayloadLength > capacity)
        return m.Fail("łańcuch bloków jest dłuższy niż rekord" + At(Address));
      const uint8_t* p = payload;
      if (useDirect)
        std::memcpy(direct.get() + filled, p, static_cast<size_t>(bh.PayloadLength));
      else
        grown.insert(grown.end(), p, p + bh.PayloadLength);
      filled += bh.PayloadLength;
      if (bh.Next == -1) break;
      int32_t next = bh.Next;
      if (!firstVisit(next)) return m.Fail("pętla w łańcuchu bloków" + At(next));
      if (!m.ReadBlock(next, &bh, Address, &payload)) return false;
    }
  } catch (const std::bad_alloc&) {
    return m.FailSystem("brak pamięci na rekord" + At(Address));
  }
  unlocker.Release();
  if (filled != capacity) return m.Fail("łańcuch bloków jest krótszy niż rekord" + At(Address));
  const uint8_t* storedBytes = useDirect ? direct.get() : grown.data();

  if (P != 0) {
    auto out = TryAllocate(static_cast<size_t>(L));
    if (!out) return m.FailSystem("brak pamięci na rekord" + At(Address));
    int32_t produced = L;
    if (UnCompress(out.get(), &produced, storedBytes, P) != 0)
      return m.Fail("nie można rozpakować rekordu" + At(Address));
    if (produced != L) return m.Fail("rozpakowany rekord ma złą długość" + At(Address));
    m.RecordBuffer = std::move(out);
  } else if (useDirect) {
    m.RecordBuffer = std::move(direct);
  } else {
    auto out = TryAllocate(grown.size());
    if (!out) return m.FailSystem("brak pamięci na rekord" + At(Address));
    std::memcpy(out.get(), grown.data(), grown.size());
    m.RecordBuffer = std::move(out);
  }
  m.recordBufferSize = static_cast<size_t>(L);
  Size = L;
  Data = m.RecordBuffer.get();
  return true;
}

bool tjxmemo::WriteRecord(int32_t Size, int32_t& Address, const uint8_t* Data, int32_t PlainSize) {
  Impl& m = *impl_;
  m.ClearError();
  // Marks of private writes not yet flushed stay until FlushAll, also when
  // the switch has been turned off since.
  if (!DeferFlush && !m.pendingFlush) m.files.ClearDirty();
  if (Size == 0) return true;
  if (!m.Writable || !m.files.IsOpen()) {
    return m.Fail("plik opisów nie jest otwarty do zapisu" +
                  (m.readOnlyWhy.empty() ? std::string() : " (" + m.readOnlyWhy + ")"));
  }
  if (Size < 0 || PlainSize < 0 || !Data) return m.Fail("nieprawidłowe argumenty zapisu");

  const uint8_t* bytes = Data;
  int32_t count = Size;
  int32_t plainLength = Size;
  int32_t storedLength = 0;
  std::unique_ptr<uint8_t[]> packed;
  if (PlainSize != 0) {
    plainLength = PlainSize;
    storedLength = Size;
  } else if (CompressRecords) {
    packed = TryAllocate(static_cast<size_t>(Size));
    const int32_t len = packed ? PackPlainRecord(DefaultCodec(), packed.get(), Data, Size) : 0;
    if (len > 0) {
      bytes = packed.get();
      count = len;
      storedLength = len;
    } else {
      packed.reset();
    }
  }

  // A private set (DeferFlush) keeps its header in memory: nobody else
  // writes to it, so there is nothing to re-read and nobody to lock out.
  // The header reaches the file with FlushAll or CloseAll.
  if (DeferFlush || m.headerPending) {
    const FileHeader before = m.Header;
    Address = 0;
    m.buffering = true;
    m.pendingRecord = m.pending.size();
    bool written = m.WriteChain(bytes, count, plainLength, storedLength, SplitDepth, &Address);
    m.buffering = false;
    // Blocks stay in memory across records until the buffer is full (they
    // count in the file's size meanwhile); FlushAll writes the rest.
    m.pendingFlush = true;
    if (!written) {
      // This record's blocks still in memory are dropped, those of earlier
      // records written: the next record then takes their place, as the
      // file's size says.
      const std::string why = m.lastError;
      m.pending.resize(m.pendingRecord);
      (void)m.FlushPending();
      m.Header = before;
      m.sizeCacheFile = -1;
      return m.Fail(why);
    }
    m.headerPending = true;
    if (DeferFlush) return true;
    return FlushAll();  // the switch was turned off: catch up now
  }

  Status s = m.files.Lock();
  if (!s.ok()) return m.Fail("blokada pliku: " + s.ToString());
  bool ok = m.ReadHeader();
  if (ok) {
    const FileHeader before = m.Header;
    Address = 0;
    m.sizeCacheFile = -1;  // other programs may have grown the files
    ok = m.WriteChain(bytes, count, plainLength, storedLength, SplitDepth, &Address) &&
         m.WriteHeader();
    std::string why;
    if (ok && !m.files.FlushAll(&why)) {
      // The new blocks may not be on the disk: the header must not point
      // past them, so it goes back to what it was.
      m.Header = before;
      if (m.WriteHeader()) (void)m.files.Handle(0)->Flush();
      m.Fail("nie udało się zapisać danych na dysk: " + why);
      ok = false;
    }
    if (!ok) m.Header = before;
  }
  (void)m.files.Unlock();
  return ok;
}

}  // namespace store
