// Independent read-back of a new description file set.
#include "engine/SetReader.h"

#include <algorithm>

#include "engine/Common.h"

namespace engine {

SetReader::SetReader(platform::Env* env, std::string data_file)
    : env_(env), data_file_(std::move(data_file)) {}

bool SetReader::Open(std::string* error) {
  const uint8_t* p = nullptr;
  size_t got = 0;
  if (!Window(0, 0, store::kHeaderBlockSize, &p, &got, error)) return false;
  return store::FileHeader::DecodeFrom(p, got, &header_, error);
}

bool SetReader::ReadChain(int32_t address, XXH3_state_t* hash, std::vector<uint8_t>* bytes,
                          store::BlockHeader* first, std::string* error) {
  int64_t total = 0;
  int32_t at = address;
  for (int blocks = 0;; ++blocks) {
    store::Location loc;
    if (!store::MapAddress(at, header_.MaxSize, &loc)) {
      *error = "adres bloku " + IntToHex8(at) + " poza zbiorem";
      return false;
    }
    const uint8_t* p = nullptr;
    size_t got = 0;
    if (!Window(loc.File, loc.Offset, store::kBlockHeaderSize, &p, &got, error)) return false;
    if (got < store::kBlockHeaderSize) {
      *error = "blok " + IntToHex8(at) + " ucięty";
      return false;
    }
    const store::BlockHeader b = store::BlockHeader::DecodeFrom(p);
    if (blocks == 0) *first = b;
    if (b.Owner != address || b.Class < 1 || b.Class > header_.ClassCount || b.PayloadLength < 0 ||
        b.PayloadLength > header_.Class(b.Class).Capacity) {
      *error = "uszkodzony nagłówek bloku " + IntToHex8(at);
      return false;
    }
    const size_t n = static_cast<size_t>(b.PayloadLength);
    if (!Window(loc.File, loc.Offset + store::kBlockHeaderSize, n, &p, &got, error)) {
      return false;
    }
    if (got < n) {
      *error = "blok " + IntToHex8(at) + " ucięty";
      return false;
    }
    XXH3_64bits_update(hash, p, n);
    if (bytes) bytes->insert(bytes->end(), p, p + n);
    total += b.PayloadLength;
    // A chain never needs more blocks than its bytes fill.
    const int64_t expected = first->StoredLength != 0 ? first->StoredLength : first->PlainLength;
    if (b.Next == -1) {
      if (total != expected) {
        *error =
            "łańcuch ma " + std::to_string(total) + " bajtów zamiast " + std::to_string(expected);
        return false;
      }
      return true;
    }
    if (b.PayloadLength == 0 || total >= expected) {
      *error = "łańcuch dłuższy niż rekord";
      return false;
    }
    at = b.Next;
  }
}

bool SetReader::Window(int number, uint64_t offset, size_t n, const uint8_t** p, size_t* got,
                       std::string* error) {
  // The set is read front to back: the windows of earlier files go.
  for (auto& [n, other] : windows_) {
    if (n < number && !other.data.empty()) std::vector<uint8_t>().swap(other.data);
  }
  FileWindow& w = windows_[number];
  if (!w.file) {
    const std::string path =
        number == 0 ? data_file_ : store::ContinuationName(store::BaseNameOf(data_file_), number);
    platform::Status s = env_->OpenFile(path, platform::OpenMode::kReadOnlyShared, &w.file);
    if (!s.ok()) {
      *error = s.message();
      return false;
    }
  }
  if (offset < w.start || offset + n > w.start + w.data.size()) {
    w.data.resize(std::max(kWindow, n));
    size_t read = 0;
    platform::Status s = w.file->ReadAt(offset, w.data.data(), w.data.size(), &read);
    if (!s.ok()) {
      w.data.clear();
      *error = s.message();
      return false;
    }
    w.data.resize(read);
    w.start = offset;
  }
  const size_t from = static_cast<size_t>(offset - w.start);
  *p = w.data.data() + from;
  *got = std::min(n, w.data.size() - from);
  return true;
}

}  // namespace engine
