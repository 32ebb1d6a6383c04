// tjxmemo's block layer: positioning on an address, reading and writing
// block headers and whole blocks, and allocating the address of a new block
// (free list first, else the end of the current file). Every length and
// address read from a file is checked before use.
#include <algorithm>
#include <cstring>
#include <new>

#include "store/SharedBuffer.h"
#include "store/StoreState.h"

namespace store {

using platform::File;
using platform::Status;

namespace {

// One read brings a block's header and a small payload; a larger block is
// read with what follows it, since a chain's blocks usually lie in a row.
constexpr size_t kFirstRead = 8192;
constexpr size_t kReadAhead = 64 * 1024;
// A held set is read through a window of its own that keeps serving the
// following records; while reads go front to back it doubles up to this.
constexpr size_t kHeldWindow = 1 << 20;

}  // namespace

bool tjxmemo::Impl::Seek(int32_t address, bool forWrite, File** f, uint64_t* offset) {
  Status s = files.SeekAddress(address, Header.MaxSize, forWrite, Writable, &Header.CurrentFile, f,
                               offset);
  if (!s.ok()) return FailStatus(s, s.ToString() + At(address));
  return true;
}

bool tjxmemo::Impl::ReadBlockHeader(int32_t address, BlockHeader* bh) {
  File* f;
  uint64_t offset;
  if (!Seek(address, false, &f, &offset)) return false;
  uint8_t buf[kBlockHeaderSize];
  size_t got = 0;
  Status s = f->ReadAt(offset, buf, kBlockHeaderSize, &got);
  if (!s.ok()) return FailSystem(s.ToString() + At(address));
  if (got != static_cast<size_t>(kBlockHeaderSize)) return Fail("ucięty blok" + At(address));
  *bh = BlockHeader::DecodeFrom(buf);
  return true;
}

bool tjxmemo::Impl::FlushPending() {
  if (pending.empty()) return true;
  Status s = pendingFile->WriteAt(pendingOffset, pending.data(), pending.size());
  pending.clear();
  pendingFile = nullptr;
  pendingRecord = 0;
  if (!s.ok()) {
    lostWrite = true;
    lostWriteError = s.ToString();
    return Fail(s.ToString());
  }
  return true;
}

bool tjxmemo::Impl::WriteBlockHeader(int32_t address, const BlockHeader& bh) {
  File* f;
  uint64_t offset;
  if (!Seek(address, true, &f, &offset)) return false;
  if (f == pendingFile && offset >= pendingOffset &&
      offset - pendingOffset + kBlockHeaderSize <= pending.size()) {
    bh.EncodeTo(pending.data() + (offset - pendingOffset));
    return true;
  }
  uint8_t buf[kBlockHeaderSize];
  bh.EncodeTo(buf);
  Status s = f->WriteAt(offset, buf, kBlockHeaderSize);
  if (!s.ok()) return Fail(s.ToString() + At(address));
  return true;
}

bool tjxmemo::Impl::ReadBlock(int32_t address, BlockHeader* bh, int32_t owner,
                              const uint8_t** payload) {
  File* f;
  uint64_t offset;
  if (!Seek(address, false, &f, &offset)) return false;
  // The blocks of a chain usually lie one after the other: one read brings
  // a block's header and payload and often the next blocks too. What was
  // read stays in SharedBuffer as a window for the rest of this record.
  // A held set has a larger window of its own, kept from record to record:
  // nobody else writes to its files.
  const bool held = files.Held();
  if (held && !heldWindow) {
    heldWindow.reset(new (std::nothrow) uint8_t[kHeldWindow]);
    if (!heldWindow) return FailSystem("brak pamięci na bufor odczytu" + At(address));
    windowFile = nullptr;
  }
  uint8_t* buf = held ? heldWindow.get() : SharedBuffer();
  // How much to read for `need` bytes: a held set reads further ahead the
  // longer its reads follow each other, and starts small again after a
  // jump.
  auto amount = [&](size_t need, size_t usual) {
    if (!held) return usual;
    const bool onward = windowFile == f && offset >= windowOffset &&
                        offset <= windowOffset + windowLength + kReadAhead;
    readAhead = onward ? std::min(std::max(readAhead * 2, kReadAhead), kHeldWindow) : kReadAhead;
    return std::max(need, readAhead);
  };
  auto fill = [&](size_t n) {
    size_t got = 0;
    Status s = f->ReadAt(offset, buf, n, &got);
    windowFile = s.ok() ? f : nullptr;
    windowOffset = offset;
    windowLength = s.ok() ? got : 0;
    return s;
  };
  auto inWindow = [&](size_t need) {
    return windowFile == f && offset >= windowOffset &&
           offset - windowOffset + need <= windowLength;
  };
  if (!inWindow(kBlockHeaderSize)) {
    Status s = fill(amount(kFirstRead, kFirstRead));
    if (!s.ok()) return FailSystem(s.ToString() + At(address));
    if (!inWindow(kBlockHeaderSize)) return Fail("ucięty blok" + At(address));
  }
  *bh = BlockHeader::DecodeFrom(buf + (offset - windowOffset));
  if (bh->Owner != owner) return Fail("blok należy do innego rekordu" + At(address));
  if (bh->Class < 1 || bh->Class > Header.ClassCount)
    return Fail("nieprawidłowa klasa bloku " + std::to_string(bh->Class) + At(address));
  if (bh->PayloadLength <= 0 || bh->PayloadLength > Header.Class(bh->Class).Capacity)
    return Fail("nieprawidłowa długość danych w bloku " + std::to_string(bh->PayloadLength) +
                At(address));
  size_t want = kBlockHeaderSize + static_cast<size_t>(bh->PayloadLength);
  if (!inWindow(want)) {
    Status s = fill(amount(want, std::min<size_t>(kMaxBlockSize, want + kReadAhead)));
    if (!s.ok()) return FailSystem(s.ToString() + At(address));
    if (!inWindow(want)) return Fail("ucięty blok" + At(address));
  }
  *payload = buf + (offset - windowOffset) + kBlockHeaderSize;
  return true;
}

bool tjxmemo::Impl::WriteBlock(int32_t address, int k, const uint8_t* data, const BlockHeader& bh) {
  File* f;
  uint64_t offset;
  if (!Seek(address, true, &f, &offset)) return false;
  int32_t blockSize = Header.Class(k).BlockSize;
  if (bh.PayloadLength < 0 || blockSize < bh.PayloadLength + kBlockHeaderSize)
    return Fail("dane nie mieszczą się w bloku" + At(address));
  size_t used = kBlockHeaderSize + static_cast<size_t>(bh.PayloadLength);
  if (buffering) {
    constexpr size_t kMaxPending = 4 << 20;
    bool follows = f == pendingFile && offset == pendingOffset + pending.size();
    if (!follows || pending.size() + static_cast<size_t>(blockSize) > kMaxPending) {
      if (!FlushPending()) return false;
      pendingFile = f;
      pendingOffset = offset;
    }
    size_t at = pending.size();
    try {
      pending.resize(at + static_cast<size_t>(blockSize));  // zero fill included
    } catch (const std::bad_alloc&) {
      return Fail("brak pamięci na blok" + At(address));
    }
    uint8_t* p = pending.data() + at;
    bh.EncodeTo(p);
    std::memcpy(p + kBlockHeaderSize, data, static_cast<size_t>(bh.PayloadLength));
  } else {
    uint8_t* buf = SharedBuffer();
    bh.EncodeTo(buf);
    std::memcpy(buf + kBlockHeaderSize, data, static_cast<size_t>(bh.PayloadLength));
    // Only the bytes of this block are cleared, not the whole buffer.
    std::memset(buf + used, 0, static_cast<size_t>(blockSize) - used);
    Status s = f->WriteAt(offset, buf, static_cast<size_t>(blockSize));
    if (!s.ok()) return Fail(s.ToString() + At(address));
  }
  // The size cache follows the file last written to, counting blocks that
  // are still only assembled in memory.
  Location loc;
  uint64_t end = offset + static_cast<uint64_t>(blockSize);
  if (!MapAddress(address, Header.MaxSize, &loc)) {
    sizeCacheFile = -1;
  } else if (loc.File == sizeCacheFile) {
    sizeCacheValue = std::max(sizeCacheValue, end);
  } else {
    uint64_t real = 0;
    bool known = f->Size(&real).ok();
    sizeCacheFile = known ? loc.File : -1;
    sizeCacheValue = std::max(real, end);
  }
  return true;
}

int32_t tjxmemo::Impl::AllocateBlock(int k) {
  BlockClass& cls = Header.Class(k);
  if (cls.FreeHead != -1) {
    BlockHeader bh;
    int32_t head = cls.FreeHead;
    // Blocks assembled for this record must be in the file first: the list
    // may lead back to one of them.
    if (!FlushPending()) return -1;
    if (ReadBlockHeader(head, &bh)) {
      // A head that is in use, or of another class, cannot be taken: a
      // larger block would overwrite its neighbours. The list is dropped.
      if (bh.Owner != 0 || bh.Class != k) {
        cls.FreeHead = -1;
      } else {
        cls.FreeHead = bh.Next;
        return head;
      }
    }
  }
  const int64_t M = Header.MaxSize;
  // Without a limit there is only the base file, whatever the header says.
  int C = M == 0 ? 0 : Header.CurrentFile;
  for (;;) {
    if (C > 0 && !files.Handle(C)) {
      Status s = files.OpenContinuation(C, Writable);
      if (!s.ok()) {
        Fail(s.ToString());
        return -1;
      }
    }
    uint64_t size = 0;
    if (sizeCacheFile == C) {
      size = sizeCacheValue;
    } else {
      Status s = files.Handle(C)->Size(&size);
      if (!s.ok()) {
        Fail(s.ToString());
        return -1;
      }
      sizeCacheFile = C;
      sizeCacheValue = size;
    }
    // Rounded up: a partial kilobyte at the end of a damaged file is never
    // overwritten, and a block never lands on the header.
    int64_t kb = static_cast<int64_t>((size + kKilobyte - 1) / kKilobyte);
    // Kilobyte 0 exists in no address of the base file (the header) nor of
    // file 1 (address M is the base file's last kilobyte). An empty file 1,
    // left by a write that failed right after creating it, starts at 1.
    if (C <= 1 && kb < 1) kb = 1;
    int64_t address = C * M + kb;
    if (address > INT32_MAX) {
      Fail("zbiór plików jest pełny");
      return -1;
    }
    if (M == 0) return static_cast<int32_t>(address);
    int64_t n = address / M;
    if (address <= M) n = 0;
    if (n > kMaxFileNumber) {
      Fail("potrzebny byłby plik powyżej numeru 999");
      return -1;
    }
    if (n < C) {
      Fail("adres nowego bloku poza bieżącym plikiem");
      return -1;
    }
    // The address falls into a later file. If that file already exists
    // (left over from an interrupted write), it becomes current and the
    // block goes to its end; otherwise SeekAddress creates it.
    if (n > C &&
        (files.Handle(static_cast<int>(n)) || env->FileExists(files.NameOf(static_cast<int>(n))))) {
      C = static_cast<int>(n);
      Header.CurrentFile = static_cast<uint16_t>(C);
      continue;
    }
    return static_cast<int32_t>(address);
  }
}

}  // namespace store
