// Fuzz target for the .dbf header and the .mdx parser. The input is a
// two-byte length, that many bytes of .dbf, then the .mdx. Both are parsed
// from memory; every tag is set up against the table's fields and walked.
// A tag that walks cleanly and whose keys can be computed is rebuilt from
// the rows in memory, as the table engine does it: the other tags walked
// for their pages and the file checked first, the rebuild refused when
// they fail. After it the new tree must hold exactly the entries it was
// built from, and every other tag must keep its bytes and its entries.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dbase/Dbf.h"
#include "dbase/Mdx.h"
#include "dbase/TagKeys.h"

namespace {

class MemoryFile final : public platform::File {
 public:
  MemoryFile(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
  platform::Status ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    *got = 0;
    if (offset < bytes_.size()) {
      *got = static_cast<size_t>(std::min<uint64_t>(n, bytes_.size() - offset));
      std::memcpy(buf, bytes_.data() + offset, *got);
    }
    return platform::Status::OK();
  }
  platform::Status WriteAt(uint64_t offset, const void* buf, size_t n) override {
    if (offset + n > (64u << 20)) return platform::Status::IOError("too large");
    if (offset + n > bytes_.size()) bytes_.resize(offset + n, 0);
    std::memcpy(bytes_.data() + offset, buf, n);
    return platform::Status::OK();
  }
  platform::Status Size(uint64_t* size) override {
    *size = bytes_.size();
    return platform::Status::OK();
  }
  platform::Status Flush() override { return platform::Status::OK(); }
  platform::Status LockByte(uint64_t) override { return platform::Status::OK(); }
  platform::Status LockByteFor(uint64_t, int64_t) override { return platform::Status::OK(); }
  platform::Status UnlockByte(uint64_t) override { return platform::Status::OK(); }
  platform::Status Close() override { return platform::Status::OK(); }
  const std::string& Path() const override { return path_; }

 private:
  std::vector<uint8_t> bytes_;
  std::string path_ = "fuzz.mdx";
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t split = std::min<size_t>(data[0] | data[1] << 8, size - 2);
  const uint8_t* dbf = data + 2;
  dbase::DbfHeader h;
  std::string error;
  bool table = dbase::ParseDbfHeader(dbf, split, split, &h, &error);
  MemoryFile mdx_file(dbf + split, size - 2 - split);
  dbase::MdxFile mdx;
  if (!mdx.Open(&mdx_file, "fuzz.mdx").ok()) return 0;
  const std::vector<dbase::MdxTag> tags = mdx.Tags();
  for (size_t t = 0; t < tags.size(); ++t) {
    dbase::MdxTag tag = tags[t];
    dbase::TagEntries entries;
    std::vector<uint32_t> pages;
    bool walked = mdx.Walk(tag, table ? h.record_count : 0xFFFFFFFFu, &entries, &pages).ok();
    if (!table) continue;
    dbase::TagKeys keys;
    if (!keys.Init(tag, h.fields, h.language_driver, &error)) continue;
    const uint32_t rows = std::min<uint32_t>(h.record_count, 256);
    std::vector<uint8_t> key_bytes(static_cast<size_t>(rows) * tag.key_length), covered(rows);
    bool all = true;
    for (uint32_t r = 0; r < rows; ++r) {
      bool c = false;
      std::string why;
      all = keys.Make(dbf + h.header_length + static_cast<size_t>(r) * h.record_length, &c,
                      key_bytes.data() + static_cast<size_t>(r) * tag.key_length, &why) &&
            all;
      covered[r] = c ? 1 : 0;
    }
    if (!walked || !all || mdx.Version() != 2 || rows != h.record_count) continue;
    std::vector<dbase::TagPages> owned(tags.size());
    for (size_t o = 0; o < tags.size(); ++o) {
      owned[o].header = tags[o].header_page;
      if (o == t) {
        owned[o].nodes = pages;
        owned[o].rewritten = true;
      } else if (!mdx.OwnedPages(tags[o], &owned[o].nodes).ok()) {
        return 0;  // the engine refuses before any write
      }
    }
    if (!mdx.CheckBeforeWrite(owned).ok()) return 0;
    // What every other tag holds now: its entries, if it walks fully, and
    // the bytes of its blocks.
    std::vector<dbase::TagEntries> before(tags.size());
    std::vector<bool> walks(tags.size());
    std::vector<std::vector<uint8_t>> bytes(tags.size());
    auto blocks_of = [&](size_t o) {
      std::vector<uint8_t> out, block(mdx.BlockSize());
      std::vector<uint32_t> all_pages = owned[o].nodes;
      all_pages.push_back(owned[o].header);
      for (uint32_t p : all_pages) {
        size_t got = 0;
        (void)mdx_file.ReadAt(static_cast<uint64_t>(p) * dbase::kMdxPage, block.data(),
                              block.size(), &got);
        out.insert(out.end(), block.begin(), block.begin() + static_cast<long>(got));
      }
      return out;
    };
    for (size_t o = 0; o < tags.size(); ++o) {
      if (o == t) continue;
      std::vector<uint32_t> p;
      walks[o] = mdx.Walk(tags[o], h.record_count, &before[o], &p).ok();
      bytes[o] = blocks_of(o);
    }
    dbase::TagEntries sorted;
    keys.Order(key_bytes, covered, nullptr, &sorted);
    uint8_t today[3] = {126, 1, 1};
    if (!mdx.WriteTree(&tag, sorted, pages, today).ok()) continue;
    dbase::TagEntries again;
    std::vector<uint32_t> new_pages;
    if (!mdx.Walk(tag, h.record_count, &again, &new_pages).ok() || again.recnos != sorted.recnos ||
        again.keys != sorted.keys)
      std::abort();
    for (size_t o = 0; o < tags.size(); ++o) {
      if (o == t) continue;
      if (blocks_of(o) != bytes[o]) std::abort();
      if (!walks[o]) continue;
      dbase::TagEntries now;
      std::vector<uint32_t> p;
      if (!mdx.Walk(tags[o], h.record_count, &now, &p).ok() || now.recnos != before[o].recnos ||
          now.keys != before[o].keys)
        std::abort();
    }
    return 0;  // one rebuild per input keeps runs short
  }
  return 0;
}
