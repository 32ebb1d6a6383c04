// Reading, walking and rewriting .mdx tags. Every page number read from the
// file is checked against the file size before it is followed, and a walk
// keeps a visited set and a depth limit, so a damaged file gives an error
// instead of a loop or a read past the end. Page arithmetic is done in 64
// bits: a page number near 2^32 must never wrap to the file header.
#include "dbase/Mdx.h"

#include <algorithm>
#include <cstring>

#include "platform/Coding.h"

namespace dbase {

using platform::DecodeU16;
using platform::DecodeU32;
using platform::EncodeU16;
using platform::EncodeU32;
using platform::Status;

namespace {

// Two keys per node at least give 2^40 entries: beyond any table, and
// deeper than any tree we build.
constexpr int kMaxDepth = 40;

std::string CString(const uint8_t* p, size_t max, bool* terminated) {
  const void* end = std::memchr(p, 0, max);
  *terminated = end != nullptr;
  size_t len = end ? static_cast<size_t>(static_cast<const uint8_t*>(end) - p) : max;
  std::string s(reinterpret_cast<const char*>(p), len);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(0, 1);
  return s;
}

}  // namespace

NodeLayout MakeNodeLayout(size_t block_size, size_t key_length, size_t reserve) {
  NodeLayout l;
  l.block_size = block_size;
  l.key_length = key_length;
  l.item_length = (key_length + 4 + 3) / 4 * 4;
  l.max_keys = (block_size - reserve) / l.item_length;
  return l;
}

void BuildTree(const NodeLayout& layout, const TagEntries& entries,
               const std::function<uint32_t()>& allocate, TreeImage* out) {
  *out = TreeImage();
  struct Child {
    uint32_t page;
    size_t last;  // index of the highest entry below it
  };
  const size_t n = entries.size(), per = layout.max_keys;
  auto new_node = [&](uint32_t page) -> std::vector<uint8_t>& {
    out->pages.push_back(page);
    out->nodes.emplace_back(layout.block_size, 0);
    return out->nodes.back();
  };
  std::vector<Child> level;
  const size_t leaves = n == 0 ? 1 : (n + per - 1) / per;
  size_t start = 0;
  for (size_t l = 0; l < leaves; ++l) {
    size_t cnt = n / leaves + (l < n % leaves ? 1 : 0);
    uint32_t page = allocate();
    std::vector<uint8_t>& node = new_node(page);
    EncodeU32(node.data(), static_cast<uint32_t>(cnt));
    for (size_t k = 0; k < cnt; ++k) {
      uint8_t* item = node.data() + 8 + k * layout.item_length;
      EncodeU32(item, entries.recnos[start + k]);
      std::memcpy(item + 4, entries.key(start + k), layout.key_length);
    }
    level.push_back({page, cnt ? start + cnt - 1 : 0});
    start += cnt;
  }
  out->first_leaf = level.front().page;
  out->levels = 1;
  // An interior node holds at most `per` pointers, i.e. per-1 keys.
  while (level.size() > 1) {
    const size_t m = (level.size() + per - 1) / per;
    std::vector<Child> up;
    size_t idx = 0;
    for (size_t j = 0; j < m; ++j) {
      size_t cnt = level.size() / m + (j < level.size() % m ? 1 : 0);
      uint32_t page = allocate();
      std::vector<uint8_t>& node = new_node(page);
      EncodeU32(node.data(), static_cast<uint32_t>(cnt - 1));
      for (size_t k = 0; k < cnt; ++k) {
        const Child& c = level[idx + k];
        uint8_t* item = node.data() + 8 + k * layout.item_length;
        EncodeU32(item, c.page);
        if (k + 1 < cnt) std::memcpy(item + 4, entries.key(c.last), layout.key_length);
      }
      up.push_back({page, level[idx + cnt - 1].last});
      idx += cnt;
    }
    level = std::move(up);
    ++out->levels;
  }
  out->root = level.front().page;
}

Status MdxFile::Corrupt(const std::string& why) const {
  return Status::Invalid("Uszkodzony plik indeksu " + path_ + ": " + why);
}

Status MdxFile::ReadBlock(uint32_t page, std::vector<uint8_t>* block) {
  const uint64_t off = static_cast<uint64_t>(page) * kMdxPage;
  if (page == 0 || off + block_size_ > file_size_)
    return Corrupt("strona " + std::to_string(page) + " leży poza plikiem");
  block->assign(block_size_, 0);
  size_t got = 0;
  Status s = file_->ReadAt(off, block->data(), block_size_, &got);
  if (!s.ok()) return s;
  if (got != block_size_) return Corrupt("plik skrócony");
  return Status::OK();
}

Status MdxFile::Open(platform::File* file, const std::string& path) {
  file_ = file;
  path_ = path;
  tags_.clear();
  Status s = file_->Size(&file_size_);
  if (!s.ok()) return s;
  if (file_size_ < 2 * kMdxPage) return Corrupt("plik krótszy niż nagłówek");
  uint8_t h[kMdxPage];
  size_t got = 0;
  s = file_->ReadAt(0, h, sizeof h, &got);
  if (!s.ok()) return s;
  if (got != sizeof h) return Corrupt("plik krótszy niż nagłówek");
  version_ = h[0];
  if (version_ != 2 && version_ != 3)
    return Corrupt("nieobsługiwana wersja " + std::to_string(version_));
  pages_per_block_ = DecodeU16(h + 20);
  block_size_ = DecodeU16(h + 22);
  if (pages_per_block_ < 1 || pages_per_block_ > 32 || block_size_ != pages_per_block_ * kMdxPage)
    return Corrupt("niespójny rozmiar bloku");
  const size_t entry_len = h[26], slots = h[25];
  const size_t tag_count = DecodeU16(h + 28);
  const size_t table_off = kMdxTagTable + (entry_len > 32 ? entry_len - 32 : 0);
  if ((version_ == 2 && entry_len != 32) || (version_ == 3 && entry_len != 43))
    return Corrupt("nieznana długość opisu znacznika " + std::to_string(entry_len));
  table_end_ = table_off + tag_count * entry_len;
  if (tag_count > slots || table_end_ > file_size_)
    return Corrupt("liczba znaczników " + std::to_string(tag_count) + " nie mieści się w pliku");
  page_count_ = DecodeU32(h + 32);
  free_head_ = DecodeU32(h + 36);
  std::vector<uint8_t> table(tag_count * entry_len);
  if (!table.empty()) {
    s = file_->ReadAt(table_off, table.data(), table.size(), &got);
    if (!s.ok()) return s;
    if (got != table.size()) return Corrupt("plik skrócony");
  }
  std::vector<uint8_t> block;
  for (size_t i = 0; i < tag_count; ++i) {
    const uint8_t* e = table.data() + i * entry_len;
    MdxTag t;
    t.number = static_cast<int>(i + 1);
    t.header_page = DecodeU32(e);
    bool term = false;
    t.name = CString(e + 4, version_ == 3 ? 33 : 11, &term);
    s = ReadBlock(t.header_page, &block);
    // A read the system failed is no damage of the file: its reason goes on.
    if (!s.ok() && s.code() != Status::Code::kInvalid) return s;
    if (!s.ok()) return Corrupt("znacznik " + t.name + ": nagłówek poza plikiem");
    const uint8_t* b = block.data();
    t.root = DecodeU32(b);
    t.pages_allocated = DecodeU32(b + 4);
    t.key_format = b[8];
    t.key_type = static_cast<char>(b[9]);
    t.key_length = DecodeU16(b + 12);
    t.max_keys = DecodeU16(b + 14);
    t.item_length = DecodeU16(b + 18);
    t.descending = (t.key_format & 0x08) != 0;
    t.unique = (t.key_format & 0x40) != 0 || b[23] != 0;
    t.expression = CString(b + 24, kMdxMaxExpression, &term);
    if (!term || t.expression.empty())
      return Corrupt("znacznik " + t.name + ": brak wyrażenia klucza");
    if (b[245]) {
      if (block_size_ <= kMdxFilterOffset)
        return Corrupt("znacznik " + t.name + ": filtr poza blokiem");
      t.filter = CString(b + kMdxFilterOffset, block_size_ - kMdxFilterOffset, &term);
      if (!term || t.filter.empty())
        return Corrupt("znacznik " + t.name + ": uszkodzony filtr FOR");
    }
    tags_.push_back(t);
  }
  return Status::OK();
}

bool MdxFile::Reserved(uint32_t page) const {
  const uint64_t start = static_cast<uint64_t>(page) * kMdxPage, end = start + block_size_;
  if (start < table_end_) return true;
  for (const MdxTag& t : tags_) {
    const uint64_t h = static_cast<uint64_t>(t.header_page) * kMdxPage;
    if (start < h + block_size_ && h < end) return true;
  }
  return false;
}

Status MdxFile::Walk(const MdxTag& tag, uint32_t record_count, TagEntries* entries,
                     std::vector<uint32_t>* pages) {
  // Each node must hold max_keys items and, with one key less, the extra
  // pointer of an interior node; both fit when the items do.
  if (tag.key_length < 1 || tag.item_length < tag.key_length + 4u || tag.max_keys < 2 ||
      8u + static_cast<size_t>(tag.max_keys) * tag.item_length > block_size_)
    return Corrupt("znacznik " + tag.name + ": niespójne długości klucza i węzła");
  return Visit(tag, true, record_count, entries, pages);
}

Status MdxFile::OwnedPages(const MdxTag& tag, std::vector<uint32_t>* pages) {
  TagEntries none;
  return Visit(tag, false, 0, &none, pages);
}

Status MdxFile::Visit(const MdxTag& tag, bool full, uint32_t record_count, TagEntries* entries,
                      std::vector<uint32_t>* pages) {
  *entries = TagEntries();
  entries->key_length = tag.key_length;
  pages->clear();
  std::vector<uint8_t> visited(FilePages() + 1, 0);
  int leaf_depth = -1;
  const std::string where = "znacznik " + tag.name + ": ";
  const size_t item_length = tag.item_length;
  // A node is interior when it holds fewer than the maximum of keys and the
  // pointer after its last item is set; that pointer must lie in the block.
  auto interior = [&](const uint8_t* b, uint32_t n) {
    if (n >= tag.max_keys || item_length < 4) return false;
    const uint64_t at = 8 + static_cast<uint64_t>(n) * item_length;
    return at + 4 <= block_size_ && DecodeU32(b + at) != 0;
  };
  std::function<Status(uint32_t, int, std::string*)> visit = [&](uint32_t page, int depth,
                                                                 std::string* last) -> Status {
    if (depth > kMaxDepth) return Corrupt(where + "za głębokie drzewo");
    std::vector<uint8_t> node;
    Status s = ReadBlock(page, &node);
    if (!s.ok() && s.code() != Status::Code::kInvalid) return s;
    if (!s.ok()) return Corrupt(where + "strona " + std::to_string(page) + " poza plikiem");
    if (visited[page])
      return Corrupt(where + "pętla w drzewie (strona " + std::to_string(page) + ")");
    visited[page] = 1;
    if (Reserved(page))
      return Corrupt(where + "węzeł na stronie nagłówka (strona " + std::to_string(page) + ")");
    pages->push_back(page);
    const uint8_t* b = node.data();
    const uint32_t n = DecodeU32(b);
    if (full && n > tag.max_keys) return Corrupt(where + "za dużo kluczy w węźle");
    last->clear();
    if (interior(b, n)) {
      for (uint32_t i = 0; i <= n; ++i) {
        const uint8_t* item = b + 8 + static_cast<size_t>(i) * item_length;
        std::string sub;
        s = visit(DecodeU32(item), depth + 1, &sub);
        if (!s.ok()) return s;
        if (full && i < n &&
            sub.compare(0, std::string::npos, reinterpret_cast<const char*>(item + 4),
                        tag.key_length) != 0)
          return Corrupt(where + "klucz węzła " + std::to_string(page) +
                         " różni się od ostatniego klucza poddrzewa");
        *last = std::move(sub);
      }
      return Status::OK();
    }
    if (!full) return Status::OK();
    if (leaf_depth < 0) leaf_depth = depth;
    if (leaf_depth != depth) return Corrupt(where + "liście na różnych głębokościach");
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t* item = b + 8 + static_cast<size_t>(i) * item_length;
      uint32_t recno = DecodeU32(item);
      if (recno < 1 || recno > record_count)
        return Corrupt(where + "numer rekordu " + std::to_string(recno) + " poza tabelą");
      entries->Add(item + 4, recno);
    }
    if (n > 0)
      last->assign(reinterpret_cast<const char*>(b + 8 + (n - 1) * item_length + 4),
                   tag.key_length);
    return Status::OK();
  };
  std::string last;
  return visit(tag.root, 0, &last);
}

Status MdxFile::CheckBeforeWrite(const std::vector<TagPages>& tags) {
  const uint64_t file_pages = FilePages();
  if (page_count_ > file_pages)
    return Corrupt("nagłówek podaje " + std::to_string(page_count_) + " stron, a plik ma " +
                   std::to_string(file_pages));
  // Owner of every 512-byte page: the tag's index + 1; a block covers
  // pages_per_block pages, so blocks that start on different pages can
  // still overlap.
  std::vector<uint32_t> owner(file_pages, 0);
  auto claim = [&](uint32_t page, size_t who) -> Status {
    for (uint64_t p = page; p < static_cast<uint64_t>(page) + pages_per_block_; ++p) {
      if (p >= file_pages) return Corrupt("strona " + std::to_string(p) + " poza plikiem");
      uint32_t& o = owner[p];
      // Blocks of a rewritten tag may share a page with nothing, not even
      // with each other; tags left as they are may overlap among themselves.
      if (o != 0 && (tags[o - 1].rewritten || tags[who].rewritten))
        return Corrupt(o == who + 1
                           ? "węzły znacznika nachodzą na siebie (strona " + std::to_string(p) + ")"
                           : "dwa znaczniki dzielą stronę " + std::to_string(p));
      if (o == 0) o = static_cast<uint32_t>(who + 1);
    }
    return Status::OK();
  };
  for (size_t i = 0; i < tags.size(); ++i) {
    if (tags[i].rewritten && static_cast<uint64_t>(tags[i].header) * kMdxPage < table_end_)
      return Corrupt("nagłówek znacznika na tablicy znaczników");
    Status s = claim(tags[i].header, i);
    if (!s.ok()) return s;
    for (uint32_t page : tags[i].nodes) {
      s = claim(page, i);
      if (!s.ok()) return s;
    }
  }
  // The free-page list, each free block naming the next in its bytes 4-7.
  std::vector<uint8_t> seen(file_pages, 0), block;
  for (uint32_t page = free_head_; page != 0;) {
    const std::string where = "lista wolnych stron: strona " + std::to_string(page);
    if (page >= file_pages) return Corrupt(where + " poza plikiem");
    const Status s = ReadBlock(page, &block);
    if (!s.ok() && s.code() != Status::Code::kInvalid) return s;
    if (!s.ok()) return Corrupt(where + " poza plikiem");
    if (seen[page]) return Corrupt(where + " powtarza się");
    seen[page] = 1;
    if (Reserved(page)) return Corrupt(where + " leży na nagłówku");
    for (uint64_t p = page; p < static_cast<uint64_t>(page) + pages_per_block_; ++p)
      if (owner[p] != 0) return Corrupt(where + " należy do znacznika");
    page = DecodeU32(block.data() + 4);
  }
  return Status::OK();
}

Status MdxFile::WriteTree(MdxTag* tag, const TagEntries& sorted, std::vector<uint32_t> reuse,
                          const uint8_t today[3]) {
  std::sort(reuse.begin(), reuse.end());
  const size_t old_nodes = reuse.size();
  // New blocks go past both the header's page count and the real end,
  // counted in 64 bits; a page number must still fit the file's 32 bits.
  uint64_t next = std::max<uint64_t>(page_count_, FilePages());
  next = (next + pages_per_block_ - 1) / pages_per_block_ * pages_per_block_;
  size_t used = 0;
  bool too_far = false;
  auto allocate = [&]() -> uint32_t {
    if (used < reuse.size()) return reuse[used++];
    if (next + pages_per_block_ > 0xFFFFFFFFull) {
      too_far = true;
      return 0;
    }
    const uint64_t p = next;
    next += pages_per_block_;
    return static_cast<uint32_t>(p);
  };
  NodeLayout layout;
  layout.block_size = block_size_;
  layout.key_length = tag->key_length;
  layout.item_length = tag->item_length;
  layout.max_keys = tag->max_keys;
  TreeImage img;
  BuildTree(layout, sorted, allocate, &img);
  if (too_far) return Corrupt("znacznik " + tag->name + ": brak numerów stron na nowe węzły");
  if (img.levels > kMaxDepth) return Corrupt("znacznik " + tag->name + ": za głębokie drzewo");
  for (size_t i = 0; i < img.nodes.size(); ++i) {
    Status s = file_->WriteAt(static_cast<uint64_t>(img.pages[i]) * kMdxPage, img.nodes[i].data(),
                              img.nodes[i].size());
    if (!s.ok()) return s;
  }
  std::vector<uint8_t> zero(block_size_, 0);
  for (size_t i = used; i < reuse.size(); ++i) {
    Status s = file_->WriteAt(static_cast<uint64_t>(reuse[i]) * kMdxPage, zero.data(), zero.size());
    if (!s.ok()) return s;
  }
  std::vector<uint8_t> hdr;
  Status s = ReadBlock(tag->header_page, &hdr);
  if (!s.ok()) return s;
  const int64_t grown =
      (static_cast<int64_t>(img.nodes.size()) - static_cast<int64_t>(old_nodes)) * pages_per_block_;
  tag->root = img.root;
  tag->pages_allocated = static_cast<uint32_t>(
      std::clamp<int64_t>(static_cast<int64_t>(tag->pages_allocated) + grown, 0, 0xFFFFFFFFll));
  EncodeU32(hdr.data(), tag->root);
  EncodeU32(hdr.data() + 4, tag->pages_allocated);
  hdr[20] = static_cast<uint8_t>(hdr[20] + 1);
  hdr[246] = sorted.size() > 0 ? 1 : 0;
  EncodeU32(hdr.data() + 248, img.first_leaf);
  EncodeU32(hdr.data() + 252, img.root);
  s = file_->WriteAt(static_cast<uint64_t>(tag->header_page) * kMdxPage, hdr.data(), hdr.size());
  if (!s.ok()) return s;
  if (next > page_count_) page_count_ = static_cast<uint32_t>(next);
  uint8_t h[16];
  EncodeU32(h, page_count_);
  s = file_->WriteAt(32, h, 4);
  if (!s.ok()) return s;
  s = file_->WriteAt(44, today, 3);
  if (!s.ok()) return s;
  return file_->Size(&file_size_);
}

}  // namespace dbase
