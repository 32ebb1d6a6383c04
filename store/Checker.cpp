// Walking a description file set block by block and chain by chain.
#include "store/Checker.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "platform/Path.h"
#include "platform/Status.h"

namespace store {

using platform::File;
using platform::OpenMode;
using platform::Status;

namespace {

struct BlockInfo {
  BlockHeader Head;
  int File = 0;
  uint64_t Offset = 0;
};

class Walker {
 public:
  explicit Walker(CheckReport* r) : r_(r) {}

  void Problem(int file, uint64_t offset, int32_t address, std::string text) {
    ++r_->ProblemCount;
    if (r_->Problems.size() < CheckReport::kMaxListed)
      r_->Problems.push_back({file, offset, address, std::move(text)});
  }
  void Note(int file, uint64_t offset, int32_t address, std::string text) {
    if (r_->Notes.size() < CheckReport::kMaxListed)
      r_->Notes.push_back({file, offset, address, std::move(text)});
  }

  void WalkFile(int n, File* f, uint64_t size);
  void FollowChains();
  void FollowFreeLists();

 private:
  enum class Chain { kComplete, kUnfinished, kBroken };
  // A block of a chain that ends early, or one its owner's chain did not
  // reach: what an interrupted write leaves.
  bool Leftover(int32_t address) const;

  CheckReport* r_;
  std::unordered_map<int32_t, BlockInfo> blocks_;
  std::unordered_map<int32_t, Chain> chains_;  // by the address of its first block
  std::unordered_set<int32_t> onChain_;
  std::vector<uint8_t> buf_ = std::vector<uint8_t>(kMaxBlockSize);
};

bool AllZero(const uint8_t* p, size_t n) {
  return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

void Walker::WalkFile(int n, File* f, uint64_t size) {
  const FileHeader& h = r_->Header;
  const int64_t M = h.MaxSize;
  if (M != 0) {
    uint64_t limit = static_cast<uint64_t>(M) * kKilobyte + kMaxBlockSize;
    if (size > limit)
      Problem(n, 0, 0,
              "plik ma " + std::to_string(size) + " B, więcej niż pozwala limit (" +
                  std::to_string(limit) + " B)");
  }
  uint64_t off = n == 0 ? kHeaderBlockSize : 0;
  bool prefix = n > 0;  // a continuation file may begin with zeros
  while (off < size) {
    size_t got = 0;
    size_t want = static_cast<size_t>(std::min<uint64_t>(kKilobyte, size - off));
    Status s = f->ReadAt(off, buf_.data(), want, &got);
    if (!s.ok() || got != want) {
      Problem(n, off, 0, "błąd odczytu: " + s.ToString());
      return;
    }
    if (prefix && want == static_cast<size_t>(kKilobyte) && AllZero(buf_.data(), want)) {
      off += kKilobyte;
      continue;
    }
    prefix = false;
    int64_t kb = static_cast<int64_t>(off / kKilobyte);
    int64_t address64 = n * M + kb;
    // Without a limit a continuation file is outside the set: its blocks
    // have no address.
    int32_t address =
        (address64 > INT32_MAX || (M == 0 && n > 0)) ? 0 : static_cast<int32_t>(address64);
    if (want < static_cast<size_t>(kBlockHeaderSize)) {
      Problem(n, off, address, "ucięty blok na końcu pliku");
      return;
    }
    BlockHeader bh = BlockHeader::DecodeFrom(buf_.data());
    if (bh.Class < 1 || bh.Class > h.ClassCount) {
      Problem(n, off, address, "nieprawidłowa klasa bloku " + std::to_string(bh.Class));
      off += kKilobyte;  // look for the next block at the next kilobyte
      continue;
    }
    const BlockClass& cls = h.Class(bh.Class);
    ++r_->Blocks;
    if (off + static_cast<uint64_t>(cls.BlockSize) > size) {
      Problem(n, off, address, "ucięty blok klasy " + std::to_string(bh.Class));
      return;
    }
    bool misplaced = M != 0 && (n == 0 ? kb > M : kb >= M);
    if (misplaced) Problem(n, off, address, "blok zaczyna się poza limitem pliku");
    if (bh.Owner == 0) {
      ++r_->FreeBlocks;
    } else {
      if (bh.PayloadLength <= 0 || bh.PayloadLength > cls.Capacity) {
        Problem(n, off, address,
                "nieprawidłowa długość danych w bloku " + std::to_string(bh.PayloadLength));
      } else {
        s = f->ReadAt(off, buf_.data(), static_cast<size_t>(cls.BlockSize), &got);
        size_t used = kBlockHeaderSize + static_cast<size_t>(bh.PayloadLength);
        if (!s.ok() || got != static_cast<size_t>(cls.BlockSize))
          Problem(n, off, address, "błąd odczytu bloku");
        else if (!AllZero(buf_.data() + used, static_cast<size_t>(cls.BlockSize) - used))
          Problem(n, off, address, "niezerowe bajty za danymi bloku");
      }
      if (bh.PlainLength <= 0 || bh.StoredLength < 0)
        Problem(n, off, address, "nieprawidłowe długości rekordu w bloku");
    }
    if (!misplaced && address != 0) blocks_[address] = {bh, n, off};
    off += static_cast<uint64_t>(cls.BlockSize);
  }
}

void Walker::FollowChains() {
  std::vector<int32_t> starts;
  for (const auto& [address, b] : blocks_)
    if (b.Head.Owner == address) starts.push_back(address);
  std::sort(starts.begin(), starts.end());
  for (int32_t start : starts) {
    const BlockInfo& first = blocks_[start];
    const int32_t plain = first.Head.PlainLength;
    const int32_t stored = first.Head.StoredLength;
    const int64_t expected = stored != 0 ? stored : plain;
    int64_t total = 0;
    int32_t at = start;
    const BlockInfo* prev = nullptr;  // the block whose next led here
    int32_t prevAddress = 0;
    bool broken = false;
    std::unordered_set<int32_t> seen;
    // A bad next pointer is reported at the block that holds it.
    auto badNext = [&](const std::string& what) {
      Problem(prev->File, prev->Offset, prevAddress,
              "wskazanie na następny blok rekordu " + std::to_string(start) + " (adres " +
                  std::to_string(at) + ") " + what);
      broken = true;
    };
    for (;;) {
      auto it = blocks_.find(at);
      if (it == blocks_.end()) {
        badNext("prowadzi poza zbiór albo tam, gdzie nie ma bloku");
        break;
      }
      const BlockInfo& b = it->second;
      if (!seen.insert(at).second) {
        badNext("tworzy pętlę w łańcuchu rekordu");
        break;
      }
      if (b.Head.Owner != start) {
        badNext("trafia na blok innego łańcucha");
        break;
      }
      if (b.Head.PlainLength != plain || b.Head.StoredLength != stored)
        Problem(b.File, b.Offset, at, "długości rekordu różnią się od pierwszego bloku");
      onChain_.insert(at);
      total += std::max<int32_t>(b.Head.PayloadLength, 0);
      if (b.Head.Next == -1) break;
      prev = &b;
      prevAddress = at;
      at = b.Head.Next;
    }
    if (broken) {
      chains_[start] = Chain::kBroken;
      continue;
    }
    if (total < expected) {
      chains_[start] = Chain::kUnfinished;
      ++r_->UnfinishedRecords;
      Note(first.File, first.Offset, start,
           "niedokończony rekord (" + std::to_string(total) + " z " + std::to_string(expected) +
               " B), pozostałość po przerwanym zapisie");
      continue;
    }
    if (total != expected) {
      chains_[start] = Chain::kBroken;
      Problem(first.File, first.Offset, start,
              "bloki rekordu mają " + std::to_string(total) + " B danych zamiast " +
                  std::to_string(expected));
      continue;
    }
    chains_[start] = Chain::kComplete;
    ++r_->Records;
    r_->StoredBytes += total;
    r_->PlainBytes += plain;
    if (stored != 0) ++r_->CompressedRecords;
  }
  // Blocks in use that no chain reached. Only a write interrupted before it
  // linked them leaves such blocks, and their owner's chain then ends early.
  std::vector<int32_t> unreached;
  for (const auto& [address, b] : blocks_)
    if (b.Head.Owner != 0 && !onChain_.count(address)) unreached.push_back(address);
  std::sort(unreached.begin(), unreached.end());
  for (int32_t address : unreached) {
    const BlockInfo& b = blocks_[address];
    auto chain = chains_.find(b.Head.Owner);
    if (chain == chains_.end()) {
      Problem(b.File, b.Offset, address,
              "właściciel bloku (" + std::to_string(b.Head.Owner) +
                  ") nie jest początkiem żadnego łańcucha");
    } else if (chain->second == Chain::kComplete) {
      Problem(b.File, b.Offset, address,
              "rekord " + std::to_string(b.Head.Owner) +
                  " jest kompletny, a jego łańcuch nie prowadzi do tego bloku");
    } else {
      ++r_->OrphanBlocks;
    }
  }
}

bool Walker::Leftover(int32_t address) const {
  auto b = blocks_.find(address);
  if (b == blocks_.end()) return false;
  auto chain = chains_.find(b->second.Head.Owner);
  return chain != chains_.end() && chain->second == Chain::kUnfinished;
}

void Walker::FollowFreeLists() {
  const FileHeader& h = r_->Header;
  for (int k = 1; k <= h.ClassCount; ++k) {
    int32_t at = h.Class(k).FreeHead;
    std::unordered_set<int32_t> seen;
    const std::string where = "lista wolnych bloków klasy " + std::to_string(k);
    while (at != -1) {
      auto it = blocks_.find(at);
      if (!seen.insert(at).second) {
        Problem(0, 0, at, where + ": pętla");
        break;
      }
      if (it == blocks_.end()) {
        Problem(0, 0, at, where + " wychodzi poza zbiór albo tam, gdzie nie ma bloku");
        break;
      }
      const BlockInfo& b = it->second;
      if (b.Head.Owner != 0) {
        // A write interrupted before it wrote the header leaves the list
        // at the block it took; the store drops such a list. At any other
        // block in use the list is damaged.
        if (Leftover(at))
          Note(b.File, b.Offset, at, where + ": blok zajęty przez przerwany zapis");
        else
          Problem(b.File, b.Offset, at, where + " prowadzi do zajętego bloku");
        break;
      }
      if (b.Head.Class != k) {
        Problem(b.File, b.Offset, at, where + ": blok innej klasy");
        break;
      }
      at = b.Head.Next;
    }
  }
}

Status OpenHeader(platform::Env* env, const std::string& fileName, std::unique_ptr<File>* f,
                  CheckReport* report, std::string* error) {
  Status s = env->OpenFile(fileName, OpenMode::kReadOnlyShared, f);
  if (!s.ok()) {
    *error = "nie można otworzyć pliku: " + s.ToString();
    return s;
  }
  uint8_t buf[kHeaderSize] = {};
  size_t got = 0;
  s = (*f)->ReadAt(0, buf, kHeaderSize, &got);
  if (!s.ok()) {
    *error = "odczyt nagłówka: " + s.ToString();
    return s;
  }
  if (!FileHeader::DecodeFrom(buf, got, &report->Header, error)) return Status::Invalid(*error);
  report->HeaderOk = true;
  return Status::OK();
}

void ListFiles(platform::Env* env, const std::string& fileName, File* base, CheckReport* report) {
  report->Files.clear();
  uint64_t size = 0;
  (void)base->Size(&size);
  report->Files.push_back({0, base->Path(), size});
  // One listing of the directory instead of a look-up per possible number.
  std::string baseName = BaseNameOf(fileName);
  std::string dir = platform::ExtractFilePath(baseName);
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(dir.empty() ? "." : dir, platform::ExtractFileName(baseName) + "???",
                          &entries)
           .ok())
    return;
  std::vector<int> numbers;
  for (const auto& e : entries) {
    if (e.is_directory) continue;
    std::string ext = e.name.substr(e.name.size() - 3);
    if (ext.find_first_not_of("0123456789") != std::string::npos) continue;
    int n = std::stoi(ext);
    // The pattern treats wildcards in the stem as wildcards: compare.
    std::string expect = platform::ExtractFileName(ContinuationName(baseName, n));
    bool same = expect.size() == e.name.size() &&
                std::equal(expect.begin(), expect.end(), e.name.begin(), [](char a, char b) {
                  return std::tolower(static_cast<unsigned char>(a)) ==
                         std::tolower(static_cast<unsigned char>(b));
                });
    if (same && n >= 1 && n <= kMaxFileNumber) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  for (int n : numbers) {
    std::string name = ContinuationName(baseName, n);
    std::unique_ptr<File> f;
    uint64_t sz = 0;
    if (env->OpenFile(name, OpenMode::kReadOnlyShared, &f).ok()) (void)f->Size(&sz);
    report->Files.push_back({n, f ? f->Path() : name, sz});
  }
}

}  // namespace

bool ReadSetInfo(platform::Env* env, const std::string& fileName, CheckReport* report,
                 std::string* error) {
  std::unique_ptr<File> base;
  if (!OpenHeader(env, fileName, &base, report, error).ok()) return false;
  ListFiles(env, fileName, base.get(), report);
  return true;
}

std::string BaseFileOf(platform::Env* env, const std::string& fileName) {
  const std::string ext = platform::ExtractFileExt(fileName);
  auto numbered = [](const std::string& e) {
    return e.size() == 4 && std::all_of(e.begin() + 1, e.end(), [](char c) {
             return std::isdigit(static_cast<unsigned char>(c)) != 0;
           });
  };
  if (!numbered(ext) || ext == ".000" || !env->FileExists(fileName)) return "";
  CheckReport own;
  std::string error;
  if (ReadSetInfo(env, fileName, &own, &error)) return "";
  const std::string dir = platform::ExtractFilePath(fileName);
  const std::string name = platform::ExtractFileName(fileName);
  const std::string stem = name.substr(0, name.size() - 3);  // "opisy."
  std::vector<platform::DirEntry> entries;
  if (!env->ListDirectory(dir.empty() ? "." : dir, stem + "*", &entries).ok()) return "";
  std::sort(
      entries.begin(), entries.end(),
      [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
  for (const auto& e : entries) {
    if (e.is_directory || numbered(platform::ExtractFileExt(e.name))) continue;
    CheckReport base;
    if (ReadSetInfo(env, dir + e.name, &base, &error)) return dir + e.name;
  }
  return "";
}

bool CheckSet(platform::Env* env, const std::string& fileName, CheckReport* report,
              std::string* error) {
  std::unique_ptr<File> base;
  Status s = OpenHeader(env, fileName, &base, report, error);
  if (!s.ok()) {
    // A file that opens but is no description file is a finding, not a
    // failure to examine it.
    if (base && s.code() == Status::Code::kInvalid) {
      ++report->ProblemCount;
      report->Problems.push_back({0, 0, 0, *error});
      return true;
    }
    return false;
  }
  // The lock keeps writers out while the picture is taken; a read-only
  // handle may not get it, and then the walk goes on without it.
  bool locked = base->LockByte(kLockOffset).ok();
  ListFiles(env, fileName, base.get(), report);
  Walker w(report);
  for (const CheckedFile& cf : report->Files) {
    if (cf.Number > 0 && report->Header.MaxSize == 0)
      w.Problem(cf.Number, 0, 0, "plik kontynuacji istnieje, choć plik nie ma limitu rozmiaru");
    std::unique_ptr<File> cont;
    File* f = base.get();
    if (cf.Number > 0) {
      if (!env->OpenFile(cf.Name, OpenMode::kReadOnlyShared, &cont).ok()) {
        w.Problem(cf.Number, 0, 0, "nie można otworzyć pliku " + cf.Name);
        continue;
      }
      f = cont.get();
    }
    w.WalkFile(cf.Number, f, cf.Size);
  }
  // Blocks are written only to the current file and those before it.
  const FileHeader& h = report->Header;
  for (int n = 1; n <= h.CurrentFile; ++n) {
    if (h.MaxSize != 0 && std::any_of(report->Files.begin(), report->Files.end(),
                                      [n](const CheckedFile& cf) { return cf.Number == n; }))
      continue;
    w.Problem(0, 12, 0,
              "nagłówek podaje bieżący plik " + std::to_string(h.CurrentFile) +
                  ", a pliku kontynuacji " + std::to_string(n) + " nie ma w zbiorze");
    if (h.MaxSize == 0) break;
  }
  w.FollowChains();
  w.FollowFreeLists();
  if (locked) (void)base->UnlockByte(kLockOffset);
  return true;
}

}  // namespace store
