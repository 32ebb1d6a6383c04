// The records of the rows ahead of the division's row loop. A cursor of its
// own over the held old table (whose rows are those of the working copy,
// not yet changed there) finds the addresses ahead; their records are read
// from the old set, and those stored plain are compressed as the store
// would compress them, on helper threads, while the rows before them are
// written. The row loop takes the records in row order and hands them to
// the writer, which gives out addresses in that order: the new files are
// the same whatever the number of threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dbase {
class Table;
}
namespace store {
class Codec;
class tjxmemo;
}  // namespace store

namespace engine {

class RecordPipeline {
 public:
  // One record as the writer is to store it.
  struct Record {
    uint32_t row = 0;   // the row's number in the table
    std::string text;   // the address text the row holds
    bool read = false;  // the old set gave the record
    // When not read: whether the system failed (the record may be sound),
    // and the store's reason.
    bool system_failure = false;
    std::string error;
    std::vector<uint8_t> data;  // as stored in the old set
    int32_t plain_size = 0;     // its plain length when stored compressed
    // A record stored plain, compressed for the new set: the stream's
    // length in packed, 0 when it is stored as it is.
    int32_t packed_size = 0;
    std::unique_ptr<uint8_t[]> packed;
    size_t packed_capacity = 0;
    bool ready = false;  // packed (or nothing to pack); under the mutex
    bool left = false;   // too large to keep ahead: the row loop reads it
    size_t counted = 0;  // its bytes in the budget of the rows ahead
  };

  // threads: how many threads compress, the caller's included (at least
  // 2, else there is no point). address and id: the fields of the held
  // table, id -1 when rows are not checked for the marker. Active() is
  // false when the codec cannot be copied for the helpers or the table
  // cannot be walked: the row loop then reads and the store compresses.
  RecordPipeline(dbase::Table* held, int address, int id, store::tjxmemo* source, unsigned threads);
  ~RecordPipeline();
  RecordPipeline(const RecordPipeline&) = delete;
  RecordPipeline& operator=(const RecordPipeline&) = delete;

  bool Active() const { return !helpers_.empty(); }

  // The record of row `row`, whose address text is `text`, read (or not)
  // and packed; valid until the next Take. Null when the rows read ahead
  // do not hold it: the caller reads it, and the store compresses it.
  Record* Take(uint32_t row, const std::string& text);

 private:
  void StopHelpers();
  void Fill();
  bool ReadAhead();
  void DropFront();
  std::unique_ptr<Record> NewRecord();
  void Recycle(std::unique_ptr<Record> r);
  static void PackRecord(store::Codec& codec, Record* r);
  // Packs the first record waiting, the mutex (held by `lock`) released
  // meanwhile.
  void PackNext(std::unique_lock<std::mutex>& lock, store::Codec& codec);
  void Work(store::Codec* codec);

  dbase::Table* table_;
  int address_, id_;
  store::tjxmemo* source_;
  bool table_done_ = false;
  std::unique_ptr<store::Codec> codec_;  // the caller's
  std::vector<std::unique_ptr<store::Codec>> helper_codecs_;
  std::vector<std::thread> helpers_;

  // Records stored compressed, or too random to compress, need no work:
  // reading them ahead would only copy them once more. After a run of such records the rows ahead
  // are left to the row loop up to row resume_row_, then tried again.
  uint32_t idle_run_ = 0;
  uint32_t resume_row_ = 0;
  bool dormant_ = false;

  std::deque<std::unique_ptr<Record>> ahead_records_;  // in row order
  size_t ahead_bytes_ = 0;
  std::unique_ptr<Record> taken_;
  std::vector<std::unique_ptr<Record>> spare_;

  std::mutex mu_;
  std::condition_variable work_, done_;
  std::deque<Record*> jobs_;  // records to pack, in row order
  bool stop_ = false;
};

}  // namespace engine
