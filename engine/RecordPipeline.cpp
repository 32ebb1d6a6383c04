// Reading ahead and compressing the records of the division's next rows.
#include "engine/RecordPipeline.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "dbase/Table.h"
#include "engine/Common.h"
#include "engine/RowRule.h"
#include "store/Compression.h"
#include "store/jxmemo.h"

namespace engine {

namespace {

// How far the rows ahead go: enough for the helpers never to wait on the
// reading, little beside the 64 MB a run may use. A record larger than a
// quarter of it is not kept ahead at all (it would be held twice, stored
// and packed): the row loop copies it as it did without helpers.
constexpr size_t kAheadBytes = 8u << 20;
constexpr size_t kAheadRecords = 4096;
constexpr size_t kLargestAhead = kAheadBytes / 4;
// A run of this many records read ahead with nothing to compress leaves
// the next kRestRows rows to the row loop.
constexpr uint32_t kIdleRun = 8;
constexpr uint32_t kRestRows = 1024;
// Spare records keep the memory of records up to this size for the next.
constexpr size_t kSpareCapacity = 128 * 1024;

}  // namespace

RecordPipeline::RecordPipeline(dbase::Table* held, int address, int id, store::tjxmemo* source,
                               unsigned threads)
    : table_(held), address_(address), id_(id), source_(source) {
  if (threads < 2 || !table_ || address_ < 0) return;
  codec_ = store::DefaultCodec().Clone();
  if (!codec_) return;
  for (unsigned i = 1; i < threads; ++i) {
    auto codec = store::DefaultCodec().Clone();
    if (!codec) return;
    helper_codecs_.push_back(std::move(codec));
  }
  if (!table_->First().ok()) return;
  try {
    for (auto& codec : helper_codecs_) helpers_.emplace_back([this, c = codec.get()] { Work(c); });
  } catch (const std::system_error&) {
    // The system gave no thread: the row loop reads and compresses alone.
    StopHelpers();
  }
}

void RecordPipeline::StopHelpers() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  work_.notify_all();
  for (auto& t : helpers_) t.join();
  helpers_.clear();
}

RecordPipeline::~RecordPipeline() {
  StopHelpers();
}

void RecordPipeline::PackRecord(store::Codec& codec, Record* r) {
  r->packed_size = 0;
  if (r->packed) {
    r->packed_size = store::PackPlainRecord(codec, r->packed.get(), r->data.data(),
                                            static_cast<int32_t>(r->data.size()));
  }
}

void RecordPipeline::PackNext(std::unique_lock<std::mutex>& lock, store::Codec& codec) {
  Record* r = jobs_.front();
  jobs_.pop_front();
  lock.unlock();
  PackRecord(codec, r);
  lock.lock();
  r->ready = true;
  done_.notify_all();
}

void RecordPipeline::Work(store::Codec* codec) {
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    work_.wait(lock, [&] { return stop_ || !jobs_.empty(); });
    if (stop_) return;
    PackNext(lock, *codec);
  }
}

std::unique_ptr<RecordPipeline::Record> RecordPipeline::NewRecord() {
  if (spare_.empty()) return std::make_unique<Record>();
  std::unique_ptr<Record> r = std::move(spare_.back());
  spare_.pop_back();
  return r;
}

void RecordPipeline::Recycle(std::unique_ptr<Record> r) {
  if (!r) return;
  // A large record gives its memory back at once.
  if (r->data.capacity() > kSpareCapacity) std::vector<uint8_t>().swap(r->data);
  if (r->packed_capacity > kSpareCapacity) {
    r->packed.reset();
    r->packed_capacity = 0;
  }
  r->data.clear();
  r->read = r->system_failure = r->ready = r->left = false;
  r->error.clear();
  r->plain_size = r->packed_size = 0;
  if (spare_.size() < 64) spare_.push_back(std::move(r));
}

bool RecordPipeline::ReadAhead() {
  // Rows the loop leaves untouched, or copies nothing for, need nothing.
  const std::string text = table_->GetText(address_);
  const std::string id = id_ >= 0 ? table_->GetText(id_) : std::string();
  const bool wanted = ClassifyRow(text, id_ >= 0 ? &id : nullptr) == RowKind::kRecord;
  if (wanted) {
    std::unique_ptr<Record> r = NewRecord();
    r->row = table_->RecNo();
    r->text = text;
    int32_t size = 0, plain = 0;
    const uint8_t* data = nullptr;
    r->read = source_->ReadRecord(size, HexToInt(text), data, false, plain);
    bool job = false;
    if (r->read && static_cast<size_t>(size) > kLargestAhead) {
      r->read = false;
      r->left = true;
    } else if (r->read) {
      r->data.assign(data, data + size);
      r->plain_size = plain;
      // Records stored compressed, and those the store would not try to
      // compress, are written as they are.
      if (plain == 0 && store::WorthPacking(data, size)) {
        const size_t need = static_cast<size_t>(size);
        if (r->packed_capacity < need) {
          r->packed.reset(new (std::nothrow) uint8_t[need]);
          r->packed_capacity = r->packed ? need : 0;
        }
        // Without memory for the stream the row loop takes the record
        // its own way, so that the store decides as on one thread.
        job = r->packed != nullptr;
        if (!job) {
          r->read = false;
          r->left = true;
          r->data.clear();
        }
      }
    } else {
      r->system_failure = source_->LastReadFailedBySystem();
      r->error = source_->LastError();
    }
    if (job || !r->read) {
      idle_run_ = 0;
    } else if (++idle_run_ >= kIdleRun) {
      idle_run_ = 0;
      dormant_ = true;
      resume_row_ = r->row + kRestRows;
    }
    r->counted = r->data.size() + (job ? r->packed_capacity : 0);
    ahead_bytes_ += r->counted;
    Record* raw = r.get();
    ahead_records_.push_back(std::move(r));
    std::lock_guard<std::mutex> lock(mu_);
    if (job) {
      jobs_.push_back(raw);
      work_.notify_one();
    } else {
      raw->ready = true;
    }
  }
  return table_->Next().ok();
}

void RecordPipeline::Fill() {
  try {
    while (!table_done_ && !dormant_ && !table_->Eof() &&
           (ahead_records_.empty() ||
            (ahead_bytes_ < kAheadBytes && ahead_records_.size() < kAheadRecords))) {
      if (!ReadAhead()) table_done_ = true;
    }
  } catch (const std::bad_alloc&) {
    // No memory to read further ahead: the rows after these are read by
    // the row loop itself.
    table_done_ = true;
  }
}

// Drops the first record ahead once its packing, if any, is over (a helper
// may still be at it).
void RecordPipeline::DropFront() {
  Record* r = ahead_records_.front().get();
  {
    std::unique_lock<std::mutex> lock(mu_);
    auto queued = std::find(jobs_.begin(), jobs_.end(), r);
    if (queued != jobs_.end()) {
      jobs_.erase(queued);
    } else {
      done_.wait(lock, [&] { return r->ready; });
    }
  }
  ahead_bytes_ -= r->counted;
  std::unique_ptr<Record> gone = std::move(ahead_records_.front());
  ahead_records_.pop_front();
  Recycle(std::move(gone));
}

RecordPipeline::Record* RecordPipeline::Take(uint32_t row, const std::string& text) {
  Recycle(std::move(taken_));
  if (!Active()) return nullptr;
  // Rows the loop passed without a record (it cleared them, or they
  // changed) are dropped.
  while (!ahead_records_.empty() && ahead_records_.front()->row < row) DropFront();
  if (dormant_ && ahead_records_.empty()) {
    if (row < resume_row_) return nullptr;
    // Back to reading ahead, from this row on.
    dormant_ = false;
    try {
      while (!table_done_ && !table_->Eof() && table_->RecNo() < row) {
        if (!table_->Next().ok()) table_done_ = true;
      }
    } catch (const std::bad_alloc&) {
      table_done_ = true;
    }
  }
  Fill();
  if (ahead_records_.empty() || ahead_records_.front()->row != row) return nullptr;
  Record* r = ahead_records_.front().get();
  if (r->text != text || r->left) {
    DropFront();
    return nullptr;
  }
  {
    // While its packing is not done, the caller packs the next record
    // waiting instead of idling.
    std::unique_lock<std::mutex> lock(mu_);
    while (!r->ready) {
      if (jobs_.empty()) {
        done_.wait(lock);
        continue;
      }
      PackNext(lock, *codec_);
    }
  }
  ahead_bytes_ -= r->counted;
  taken_ = std::move(ahead_records_.front());
  ahead_records_.pop_front();
  return taken_.get();
}

}  // namespace engine
