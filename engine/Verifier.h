// Check of a division's new files before the commit touches any old file.
// While the row loop copies records it hands each one to AddRecord, which
// keeps a 64-bit checksum of the stored bytes with the new address and the
// lengths; converted rows that got no record (address 0, unreadable
// reference) are noted with AddRow. After the new files are closed and
// flushed, Verify reopens them read-only, reads every record back, and
// re-reads the working copy of the table to see that each converted row
// holds the address that was written.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/Messages.h"
#include "platform/Env.h"

namespace engine {

class Verifier {
 public:
  explicit Verifier(platform::Env* env = platform::Env::Default());

  // A record as the row loop passed it to WriteRecord: `row` is the row's
  // 1-based number in the table, `address` the new address, data/size the
  // bytes, plain_size their plain length when they are compressed (else 0).
  void AddRecord(uint32_t row, int32_t address, const uint8_t* data, int32_t size,
                 int32_t plain_size);
  // A converted row that got `text` without a record copied.
  void AddRow(uint32_t row, const std::string& text);

  // Reads everything back. data_file: the new description file (in the
  // working directory); table_file: the working copy of the table;
  // max_bytes: the limit given to the new set (0 = none). Raises
  // EngineError kMsgVerifyFailed + the first difference (row and address).
  void Verify(const std::string& data_file, const std::string& table_file,
              const std::string& address_field, int32_t max_bytes);

  // Told how far Verify has got: records read back, then table rows, out
  // of both together. Verify also stops at an interrupt request, with
  // EngineError kMsgInterrupted.
  void SetProgress(std::function<void(uint64_t done, uint64_t total)> progress) {
    progress_ = std::move(progress);
  }

  size_t RecordCount() const { return records_.size(); }
  // Time spent so far: checksums in the row loop, and Verify (benchmarks).
  double Seconds() const { return seconds_; }

 private:
  // 20 bytes a record: a million rows cost 20 MB. The row of a record is
  // not kept; it is found from has_record_ when a message needs it.
  struct Record {
    int32_t address;
    int32_t size;      // stored length handed to the writer
    int32_t plain;     // plain length when it arrived compressed, else 0
    uint32_t hash_lo;  // 64-bit checksum of the bytes handed to the writer
    uint32_t hash_hi;
    uint64_t hash() const { return (static_cast<uint64_t>(hash_hi) << 32) | hash_lo; }
  };
  struct TextRow {
    uint32_t row;
    uint32_t text;  // index into texts_
  };

  // The row of the i-th record.
  uint32_t RowOf(size_t index) const;

  void VerifyRecords(const std::string& data_file);
  void VerifyTable(const std::string& table_file, const std::string& address_field);
  void VerifyLimit(const std::string& data_file, int32_t max_bytes);
  // Every so many steps: tells the progress and looks for a stop request.
  void Step(uint64_t done);

  platform::Env* env_;
  // Deques grow in chunks: no doubling copy of a million entries.
  std::deque<Record> records_;      // in the order they were written
  std::vector<bool> has_record_;    // by row number: the row got a record
  std::deque<TextRow> rows_;        // rows noted by AddRow, in table order
  std::vector<std::string> texts_;  // the few distinct texts of those rows
  double seconds_ = 0;
  std::function<void(uint64_t, uint64_t)> progress_;
  uint64_t total_steps_ = 0;
};

}  // namespace engine
