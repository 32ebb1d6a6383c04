// Fuzz target for the .dbf header and the .mdx parser. The input is a
// two-byte length, that many bytes of .dbf, then the .mdx. Both are parsed
// from memory; every tag is set up against the table's fields and walked,
// and the keys of the first rows are computed.
#include <cstdint>
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
  platform::Status WriteAt(uint64_t, const void*, size_t) override {
    return platform::Status::IOError("read only");
  }
  platform::Status Size(uint64_t* size) override {
    *size = bytes_.size();
    return platform::Status::OK();
  }
  platform::Status Flush() override { return platform::Status::OK(); }
  platform::Status LockByte(uint64_t) override { return platform::Status::OK(); }
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
  for (const dbase::MdxTag& tag : mdx.Tags()) {
    dbase::TagEntries entries;
    std::vector<uint32_t> pages;
    mdx.Walk(tag, table ? h.record_count : 0xFFFFFFFFu, &entries, &pages);
    if (!table) continue;
    dbase::TagKeys keys;
    if (!keys.Init(tag, h.fields, h.language_driver, &error)) continue;
    std::vector<uint8_t> key(tag.key_length);
    for (uint32_t r = 0; r < h.record_count && r < 64; ++r) {
      bool covered = false;
      std::string why;
      keys.Make(dbf + h.header_length + static_cast<size_t>(r) * h.record_length, &covered,
                key.data(), &why);
    }
  }
  return 0;
}
