// The production index (.mdx): file header, tag table, tag headers and the
// B-tree of each tag. MdxFile locates the tags through a platform::File,
// walks a tag's tree with every page bounds- and loop-checked (fully for a
// tag to be rewritten, only for the pages it holds otherwise), and rewrites
// one tag's tree from its entries in index order without touching any byte
// that belongs to another tag. BuildTree lays out a tree the way dBASE does
// (leaves, then interior levels whose keys are the highest key below them);
// TableWriter and the rebuild of a tag share it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace dbase {

inline constexpr size_t kMdxPage = 512;
inline constexpr size_t kMdxTagTable = 544;
inline constexpr size_t kMdxFilterOffset = 762;
inline constexpr size_t kMdxMaxExpression = 220;

struct MdxTag {
  int number = 0;  // 1-based position in the tag table
  uint32_t header_page = 0;
  std::string name;
  std::string expression;
  std::string filter;  // empty when the tag has no FOR filter
  char key_type = 0;   // C N D (level 7 has more)
  uint8_t key_format = 0;
  bool unique = false;
  bool descending = false;
  uint32_t root = 0;
  uint32_t pages_allocated = 0;
  uint16_t key_length = 0;
  uint16_t max_keys = 0;
  uint16_t item_length = 0;
};

// Entries of one tag: key i at keys[i*key_length], row recnos[i].
struct TagEntries {
  size_t key_length = 0;
  std::vector<uint8_t> keys;
  std::vector<uint32_t> recnos;
  size_t size() const { return recnos.size(); }
  const uint8_t* key(size_t i) const { return keys.data() + i * key_length; }
  void Add(const uint8_t* key, uint32_t recno) {
    keys.insert(keys.end(), key, key + key_length);
    recnos.push_back(recno);
  }
};

// Shape of a tag's nodes.
struct NodeLayout {
  size_t block_size = 1024;
  size_t key_length = 0;
  size_t item_length = 0;
  size_t max_keys = 0;
};

// Item length and keys per node as writers derive them from the key
// length: (block - reserve) / item, where dBASE and its engine keep 12 bytes
// (room for the extra pointer of an interior node) and some libraries 8.
NodeLayout MakeNodeLayout(size_t block_size, size_t key_length, size_t reserve = 12);

struct TreeImage {
  std::vector<uint32_t> pages;              // page of each node
  std::vector<std::vector<uint8_t>> nodes;  // one block each
  uint32_t root = 0;
  uint32_t first_leaf = 0;
  int levels = 0;
};

// The blocks one tag holds in the file: its header and its nodes.
struct TagPages {
  uint32_t header = 0;
  std::vector<uint32_t> nodes;
  bool rewritten = false;  // its nodes will be replaced
};

// Lays out the nodes of a tree holding `entries` (already in index order):
// leaves share the entries evenly, each interior key is the highest key of
// its child and an interior node holds at most max_keys-1 keys, since a
// node with max_keys keys reads as a leaf. `allocate` gives the page of
// each next node; leaves come first, in order, then each level up.
void BuildTree(const NodeLayout& layout, const TagEntries& entries,
               const std::function<uint32_t()>& allocate, TreeImage* out);

class MdxFile {
 public:
  // Reads the header and the tag table and locates every tag: its header
  // block inside the file, its name and its expressions. The node layout of
  // a tag is not judged here (see Walk). `file` stays owned by the caller
  // and must outlive this object.
  platform::Status Open(platform::File* file, const std::string& path);

  const std::vector<MdxTag>& Tags() const { return tags_; }
  uint8_t Version() const { return version_; }
  uint32_t BlockSize() const { return block_size_; }

  // Every entry of the tag in index order and the pages of its nodes.
  // Refuses a node layout whose keys do not fit the block, pages outside
  // the file or on a header, loops, too deep trees, leaves at different
  // depths, interior keys that are not the highest key below them and
  // record numbers outside 1..record_count.
  platform::Status Walk(const MdxTag& tag, uint32_t record_count, TagEntries* entries,
                        std::vector<uint32_t>* pages);
  // Only the pages of the tag's nodes, for a tag that stays as it is: its
  // keys and layout are not judged, but every page followed must lie in
  // the file off the headers, without loops.
  platform::Status OwnedPages(const MdxTag& tag, std::vector<uint32_t>* pages);

  // Before a rewrite: no block of a rewritten tag may overlap a block of
  // another tag, the header's page count may not claim more than the file
  // holds, and the free-page list must stay inside the file on pages no
  // tag holds.
  platform::Status CheckBeforeWrite(const std::vector<TagPages>& tags);

  // Replaces the tag's tree by one built from `sorted`, in the tag's own
  // node layout. Nodes go to the tag's old node pages `reuse` first, then
  // to new blocks at the end of the file; old pages left over are zeroed.
  // Updates the tag header and the file header's page count and date.
  platform::Status WriteTree(MdxTag* tag, const TagEntries& sorted, std::vector<uint32_t> reuse,
                             const uint8_t today[3]);

 private:
  platform::Status Corrupt(const std::string& why) const;
  platform::Status ReadBlock(uint32_t page, std::vector<uint8_t>* block);
  // Whether a block at `page` would overlap the file header, the tag table
  // or a tag header: no node may lie there.
  bool Reserved(uint32_t page) const;
  platform::Status Visit(const MdxTag& tag, bool full, uint32_t record_count, TagEntries* entries,
                         std::vector<uint32_t>* pages);
  // Pages of the file as a 64-bit count, a partial last page included.
  uint64_t FilePages() const { return (file_size_ + kMdxPage - 1) / kMdxPage; }

  platform::File* file_ = nullptr;
  std::string path_;
  uint64_t file_size_ = 0;
  uint8_t version_ = 0;
  uint32_t pages_per_block_ = 0;
  uint32_t block_size_ = 0;
  uint32_t page_count_ = 0;
  uint32_t free_head_ = 0;
  uint64_t table_end_ = 0;
  std::vector<MdxTag> tags_;
};

}  // namespace dbase
