// Maintenance of affected tags by rebuild: the keys of all rows are held in
// memory (a few bytes per row), posts replace one row's key, and the tag is
// laid out anew at close. A rebuild cannot leave the edge cases of
// in-place deletes and splits wrong, and costs one sort per changed tag.
#include "dbase/IndexKeeper.h"

#include <algorithm>
#include <cstring>

namespace dbase {

using platform::Status;

namespace {
constexpr size_t kReadChunk = 1 << 20;
}

Status IndexKeeper::Refuse(const MdxTag& tag, const std::string& why) const {
  return Status::Invalid("Nie można utrzymać indeksu: znacznik " + tag.name + " (" +
                         tag.expression + (tag.filter.empty() ? "" : " FOR " + tag.filter) +
                         "): " + why);
}

Status IndexKeeper::ComputeAll(platform::File* dbf, const DbfHeader& h, Kept* k, uint32_t* bad_row,
                               std::string* why) {
  const size_t len = k->tag.key_length;
  k->key_bytes.assign(static_cast<size_t>(h.record_count) * len, 0);
  k->covered.assign(h.record_count, 0);
  *bad_row = 0;
  const size_t per = std::max<size_t>(1, kReadChunk / h.record_length);
  std::vector<uint8_t> chunk;
  for (uint32_t first = 0; first < h.record_count;) {
    size_t n = std::min<size_t>(per, h.record_count - first);
    chunk.resize(n * h.record_length);
    size_t got = 0;
    Status s = dbf->ReadAt(h.header_length + static_cast<uint64_t>(first) * h.record_length,
                           chunk.data(), chunk.size(), &got);
    if (!s.ok()) return s;
    if (got != chunk.size()) return Status::IOError("Tabela skrócona podczas odczytu");
    for (size_t r = 0; r < n; ++r) {
      bool cov = false;
      if (!k->keys.Make(chunk.data() + r * h.record_length, &cov,
                        k->key_bytes.data() + (first + r) * len, why)) {
        *bad_row = static_cast<uint32_t>(first + r + 1);
        return Status::OK();
      }
      k->covered[first + r] = cov ? 1 : 0;
    }
    first += static_cast<uint32_t>(n);
  }
  return Status::OK();
}

Status IndexKeeper::Prepare(MdxFile* mdx, platform::File* dbf, const DbfHeader& h,
                            const std::vector<int>& writable) {
  mdx_ = mdx;
  tags_.clear();
  for (const MdxTag& tag : mdx->Tags()) {
    Kept k;
    k.tag = tag;
    std::string error;
    if (!k.keys.Init(tag, h.fields, h.language_driver, &error)) {
      // A tag we cannot even parse is affected when its text names a
      // writable field; then it must be refused, not skipped.
      bool names_field = false;
      for (int f : writable) {
        std::string up, name = h.fields[f].name;
        for (const std::string* t : {&tag.expression, &tag.filter}) {
          up = *t;
          for (char& c : up)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
          for (char& c : name)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
          if (up.find(name) != std::string::npos) names_field = true;
        }
      }
      if (names_field) return Refuse(tag, error);
      continue;
    }
    bool affected = false;
    for (int f : writable) affected = affected || k.keys.UsesField(f);
    if (!affected) continue;
    if (mdx->Version() != 2) return Refuse(tag, "nieobsługiwana wersja pliku indeksu");
    TagEntries stored;
    Status s = mdx->Walk(tag, h.record_count, &stored, &k.pages);
    if (!s.ok()) return s;
    // Numeric keys: the tag's own length-byte style, read off its keys.
    std::vector<std::pair<NumericStyle, uint8_t>> styles = {{NumericStyle::kHalfBytes, 0}};
    // An empty tag shows no style; the order never depends on the length
    // byte, so the engine's own style is used then.
    if ((tag.key_type == 'N' || tag.key_type == 'F') && stored.size() > 0) {
      styles = {{NumericStyle::kHalfBytes, 0},
                {NumericStyle::kDigitCount, 0},
                {NumericStyle::kDigitsKept, 0},
                {NumericStyle::kConstant, stored.key(0)[1]}};
    }
    std::string mismatch = "klucze w pliku nie zgadzają się z wierszami tabeli";
    bool matched = false;
    for (const auto& [style, constant] : styles) {
      k.keys.SetNumericStyle(style, constant);
      uint32_t bad_row = 0;
      std::string why;
      s = ComputeAll(dbf, h, &k, &bad_row, &why);
      if (!s.ok()) return s;
      if (bad_row) return Refuse(tag, "wiersz " + std::to_string(bad_row) + ": " + why);
      k.preferred.assign(h.record_count, 0);
      if (tag.unique)
        for (uint32_t r : stored.recnos) k.preferred[r - 1] = 1;
      if (SameAsStored(&k, stored, &mismatch)) {
        matched = true;
        break;
      }
    }
    if (!matched) return Refuse(tag, mismatch);
    tags_.push_back(std::move(k));
  }
  if (tags_.empty()) return Status::OK();
  // Rewriting a tag must leave every other tag's blocks alone: each of
  // them is walked only to learn the pages it holds, and the file's page
  // count and free list are checked, before anything is written.
  std::vector<TagPages> owned(mdx->Tags().size());
  for (size_t i = 0; i < owned.size(); ++i) owned[i].header = mdx->Tags()[i].header_page;
  for (const Kept& k : tags_) {
    TagPages& t = owned[static_cast<size_t>(k.tag.number - 1)];
    t.nodes = k.pages;
    t.rewritten = true;
  }
  for (size_t i = 0; i < owned.size(); ++i) {
    if (owned[i].rewritten) continue;
    Status s = mdx->OwnedPages(mdx->Tags()[i], &owned[i].nodes);
    if (!s.ok()) return s;
  }
  return mdx->CheckBeforeWrite(owned);
}

bool IndexKeeper::SameAsStored(Kept* k, const TagEntries& stored, std::string* mismatch) const {
  const size_t len = k->tag.key_length;
  auto differs = [&](size_t i) {
    *mismatch = "pozycja " + std::to_string(i + 1) + " (wiersz " +
                std::to_string(stored.recnos[i]) +
                ") nie zgadza się z kluczem lub kolejnością odtworzoną z tabeli";
    return false;
  };
  if (k->tag.unique) {
    TagEntries ours;
    k->keys.Order(k->key_bytes, k->covered, &k->preferred, &ours);
    if (ours.recnos == stored.recnos && ours.keys == stored.keys) return true;
    if (ours.size() != stored.size()) {
      *mismatch = "znacznik ma " + std::to_string(stored.size()) + " pozycji, a według tabeli " +
                  std::to_string(ours.size());
      return false;
    }
    for (size_t i = 0; i < ours.size(); ++i)
      if (ours.recnos[i] != stored.recnos[i] || std::memcmp(ours.key(i), stored.key(i), len) != 0)
        return differs(i);
    return false;
  }
  // Every covered row exactly once, with its own key, in tag order and
  // equal keys in record-number order: then the sorted rows are the
  // stored entries, without sorting them.
  size_t covered = 0;
  for (uint8_t c : k->covered) covered += c;
  if (covered != stored.size()) {
    *mismatch = "znacznik ma " + std::to_string(stored.size()) + " pozycji, a według tabeli " +
                std::to_string(covered);
    return false;
  }
  std::vector<uint8_t> seen(k->covered.size(), 0);
  for (size_t i = 0; i < stored.size(); ++i) {
    const uint32_t r = stored.recnos[i];
    const uint8_t* ours = k->key_bytes.data() + static_cast<size_t>(r - 1) * len;
    if (seen[r - 1] || !k->covered[r - 1] || std::memcmp(ours, stored.key(i), len) != 0)
      return differs(i);
    seen[r - 1] = 1;
    if (i > 0) {
      int c = k->keys.Compare(stored.key(i - 1), stored.key(i));
      if (c > 0 || (c == 0 && stored.recnos[i - 1] > r)) return differs(i);
    }
  }
  return true;
}

Status IndexKeeper::Update(uint32_t recno, const uint8_t* rec) {
  size_t total = 0;
  for (const Kept& k : tags_) total += k.tag.key_length;
  scratch_keys_.resize(total);
  scratch_covered_.resize(tags_.size());
  size_t at = 0;
  for (size_t i = 0; i < tags_.size(); ++i) {
    Kept& k = tags_[i];
    bool c = false;
    std::string why;
    if (!k.keys.Make(rec, &c, scratch_keys_.data() + at, &why))
      return Refuse(k.tag, "wiersz " + std::to_string(recno) + ": " + why);
    scratch_covered_[i] = c ? 1 : 0;
    at += k.tag.key_length;
  }
  at = 0;
  for (size_t i = 0; i < tags_.size(); ++i) {
    Kept& k = tags_[i];
    const uint8_t* key = scratch_keys_.data() + at;
    at += k.tag.key_length;
    uint8_t* old = k.key_bytes.data() + static_cast<size_t>(recno - 1) * k.tag.key_length;
    if (std::memcmp(old, key, k.tag.key_length) == 0 && k.covered[recno - 1] == scratch_covered_[i])
      continue;
    std::memcpy(old, key, k.tag.key_length);
    k.covered[recno - 1] = scratch_covered_[i];
    k.preferred[recno - 1] = 0;  // a moved row no longer holds a unique key
    k.changed = true;
  }
  return Status::OK();
}

Status IndexKeeper::Finish(const uint8_t today[3]) {
  for (Kept& k : tags_) {
    if (!k.changed) continue;
    TagEntries sorted;
    k.keys.Order(k.key_bytes, k.covered, k.tag.unique ? &k.preferred : nullptr, &sorted);
    Status s = mdx_->WriteTree(&k.tag, sorted, k.pages, today);
    if (!s.ok()) return s;
    k.changed = false;
  }
  return Status::OK();
}

}  // namespace dbase
