// Keeps the affected tags of a production index in step with posted rows.
// A tag is affected when its key or FOR filter uses a field the caller will
// set. At open every affected tag is parsed, walked and compared entry by
// entry with the keys computed from the rows: if they differ in any way we
// cannot be sure to reproduce the tag, and the open fails before anything
// changes. Posts update the keys held in memory; at close each tag whose
// keys changed is rebuilt in its own pages. Unaffected tags are never
// written: when some tag is affected, each other tag is walked only to learn
// its pages, whatever its node layout, so that no write touches them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbase/Dbf.h"
#include "dbase/Mdx.h"
#include "dbase/TagKeys.h"
#include "platform/Env.h"

namespace dbase {

class IndexKeeper {
 public:
  // `dbf` is read through to compute the keys of every row.
  platform::Status Prepare(MdxFile* mdx, platform::File* dbf, const DbfHeader& header,
                           const std::vector<int>& writable_fields);
  bool Any() const { return !tags_.empty(); }
  // Checks the new image's keys of row `recno` (1-based) and takes them
  // over. On failure nothing is taken over and the row must not be written.
  platform::Status Update(uint32_t recno, const uint8_t* new_record);
  // Rebuilds every tag whose keys changed.
  platform::Status Finish(const uint8_t today[3]);

 private:
  struct Kept {
    MdxTag tag;
    TagKeys keys;
    std::vector<uint8_t> key_bytes;  // one key per row
    std::vector<uint8_t> covered;    // row passes the FOR filter
    std::vector<uint8_t> preferred;  // unique tags: the row holding its key now
    std::vector<uint32_t> pages;     // the tag's node pages
    bool changed = false;
  };
  platform::Status Refuse(const MdxTag& tag, const std::string& why) const;
  platform::Status ComputeAll(platform::File* dbf, const DbfHeader& h, Kept* k, uint32_t* bad_row,
                              std::string* why);

  // Whether the stored entries are exactly what the rows give; for tags
  // that are not unique this needs no sort.
  bool SameAsStored(Kept* k, const TagEntries& stored, std::string* mismatch) const;

  MdxFile* mdx_ = nullptr;
  std::vector<uint8_t> scratch_keys_, scratch_covered_;
  std::vector<Kept> tags_;
};

}  // namespace dbase
