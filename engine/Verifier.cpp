// Read-back check of a division's new description files and working table.
#include "engine/Verifier.h"

#include <xxhash.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "dbase/Table.h"
#include "engine/Common.h"
#include "engine/EngineError.h"
#include "engine/ReadOnlyEnv.h"
#include "engine/SetReader.h"
#include "platform/Interrupt.h"
#include "platform/Path.h"
#include "store/Compression.h"
#include "store/Format.h"
#include "store/jxmemo.h"

namespace engine {

namespace {

uint64_t Hash(const uint8_t* data, int32_t size) {
  return XXH3_64bits(data, static_cast<size_t>(std::max<int32_t>(size, 0)));
}

[[noreturn]] void Fail(const std::string& what) {
  throw EngineError(kMsgVerifyFailed + what);
}

std::string Where(uint32_t row, int32_t address) {
  return "wiersz " + std::to_string(row) + ", adres " + IntToHex8(address) + ": ";
}

// The store's limit in kilobytes for a limit given in bytes.
int64_t LimitKb(int32_t max_bytes) {
  if (max_bytes == 0) return 0;
  return (std::max<int64_t>(max_bytes, 1000000) - 262144) / 1024;
}

// The description file itself or one of its continuation files; a table
// sharing the name stem is no part of the set.
bool IsSetFile(const std::string& name, const std::string& data_name, const std::string& stem) {
  if (name == data_name) return true;
  if (name.size() != stem.size() + 4 || name.compare(0, stem.size(), stem) != 0 ||
      name[stem.size()] != '.') {
    return false;
  }
  for (size_t i = stem.size() + 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

// Unpacks and checks records on a helper thread with its own codec (the
// store's process-wide one is not shared across threads). Jobs wait in a
// queue bounded in bytes; the first failing record (lowest index) is kept.
template <typename Record>
class UnpackerT {
 public:
  explicit UnpackerT(const std::deque<Record>& records)
      : records_(records), codec_(store::MakeDeflateCodec()) {
    if (!codec_) codec_ = store::MakeZlibCodec();
    worker_ = std::thread([this] { Work(); });
  }
  ~UnpackerT() {
    if (worker_.joinable()) {
      std::string ignored;
      Finish(&ignored);
    }
  }

  void Add(size_t index, std::vector<uint8_t> bytes) {
    std::unique_lock<std::mutex> lock(mu_);
    room_.wait(lock, [&] { return queued_bytes_ < kMaxQueued || queue_.empty(); });
    queued_bytes_ += bytes.size();
    queue_.push_back({index, std::move(bytes)});
    ready_.notify_one();
  }

  // Waits for the queue to drain; returns the first failing index (or the
  // record count) and its reason.
  size_t Finish(std::string* why) {
    {
      std::lock_guard<std::mutex> lock(mu_);
      done_ = true;
      ready_.notify_one();
    }
    worker_.join();
    *why = why_;
    return failed_at_;
  }

 private:
  struct Job {
    size_t index;
    std::vector<uint8_t> bytes;
  };
  static constexpr size_t kMaxQueued = 8u << 20;

  void Work() {
    std::vector<uint8_t> out;
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mu_);
        ready_.wait(lock, [&] { return done_ || !queue_.empty(); });
        if (queue_.empty()) return;
        job = std::move(queue_.front());
        queue_.pop_front();
        queued_bytes_ -= job.bytes.size();
        room_.notify_all();
      }
      if (job.index >= failed_at_) continue;
      const Record& r = records_[job.index];
      out.resize(static_cast<size_t>(r.size));
      int32_t produced = r.size;
      std::string what;
      if (codec_->UnCompress(out.data(), &produced, job.bytes.data(),
                             static_cast<int32_t>(job.bytes.size())) != 0) {
        what = "nie da się rozpakować rekordu";
      } else if (produced != r.size) {
        what = "długość " + std::to_string(produced) + " zamiast " + std::to_string(r.size);
      } else if (Hash(out.data(), produced) != r.hash()) {
        what = "inna suma kontrolna danych";
      }
      if (!what.empty()) {
        failed_at_ = job.index;
        why_ = what;
      }
    }
  }

  const std::deque<Record>& records_;
  std::unique_ptr<store::Codec> codec_;
  std::mutex mu_;
  std::condition_variable ready_, room_;
  std::deque<Job> queue_;
  size_t queued_bytes_ = 0;
  bool done_ = false;
  size_t failed_at_ = SIZE_MAX;  // written by the worker only
  std::string why_;
  std::thread worker_;
};

}  // namespace

Verifier::Verifier(platform::Env* env) : env_(env) {}

void Verifier::AddRecord(uint32_t row, int32_t address, const uint8_t* data, int32_t size,
                         int32_t plain_size) {
  const auto start = std::chrono::steady_clock::now();
  const uint64_t h = Hash(data, size);
  records_.push_back(
      {address, size, plain_size, static_cast<uint32_t>(h), static_cast<uint32_t>(h >> 32)});
  if (has_record_.size() <= row) has_record_.resize(static_cast<size_t>(row) + 1);
  has_record_[row] = true;
  seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Verifier::AddRow(uint32_t row, const std::string& text) {
  size_t t = 0;
  while (t < texts_.size() && texts_[t] != text) ++t;
  if (t == texts_.size()) texts_.push_back(text);
  rows_.push_back({row, static_cast<uint32_t>(t)});
}

uint32_t Verifier::RowOf(size_t index) const {
  for (size_t row = 0; row < has_record_.size(); ++row) {
    if (has_record_[row] && index-- == 0) return static_cast<uint32_t>(row);
  }
  return 0;
}

void Verifier::Verify(const std::string& data_file, const std::string& table_file,
                      const std::string& address_field, int32_t max_bytes) {
  const auto start = std::chrono::steady_clock::now();
  struct Clock {
    std::chrono::steady_clock::time_point start;
    double* seconds;
    ~Clock() {
      *seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
  } clock{start, &seconds_};
  // The table walk stops at the last row that was noted.
  uint64_t table_rows = has_record_.size();
  if (!rows_.empty()) table_rows = std::max<uint64_t>(table_rows, rows_.back().row + 1ull);
  total_steps_ = records_.size() + table_rows;
  VerifyLimit(data_file, max_bytes);
  VerifyRecords(data_file);
  VerifyTable(table_file, address_field);
  if (progress_) progress_(total_steps_, total_steps_);
}

void Verifier::Step(uint64_t done) {
  if (done % 256 != 0) return;
  if (platform::InterruptRequested()) throw EngineError(kMsgInterrupted);
  if (progress_) progress_(std::min(done, total_steps_), total_steps_);
}

void Verifier::VerifyRecords(const std::string& data_file) {
  ReadOnlyEnv ro(env_);
  SetReader reader(&ro, data_file);
  std::string error;
  if (!reader.Open(&error)) Fail("nie udało się otworzyć pliku " + data_file + " (" + error + ")");
  // Records the writer compressed are unpacked and compared on a helper
  // thread meanwhile.
  UnpackerT<Record> unpacker(records_);
  std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> hash(XXH3_createState(),
                                                                &XXH3_freeState);
  if (!hash) Fail("brak pamięci");
  size_t failed_at = records_.size();
  std::string failure;
  for (size_t i = 0; i < records_.size() && failed_at == records_.size(); ++i) {
    Step(i);
    const Record& r = records_[i];
    store::BlockHeader first;
    std::vector<uint8_t> bytes;
    XXH3_64bits_reset(hash.get());
    std::string what;
    // What arrived compressed must come back byte for byte as it was; what
    // arrived plain may have been compressed by the writer and is then
    // unpacked and compared with the bytes the old file held.
    if (!reader.ReadChain(r.address, hash.get(), r.plain == 0 ? &bytes : nullptr, &first, &error)) {
      what = "nie da się odczytać rekordu (" + error + ")";
    } else if (r.plain == 0 && first.StoredLength != 0) {
      if (first.PlainLength != r.size) {
        what = "długość po rozpakowaniu " + std::to_string(first.PlainLength) + " zamiast " +
               std::to_string(r.size);
      } else {
        unpacker.Add(i, std::move(bytes));
      }
    } else {
      const int32_t size = r.plain == 0 ? first.PlainLength : first.StoredLength;
      const int32_t plain = r.plain == 0 ? 0 : first.PlainLength;
      if (size != r.size) {
        what = "długość " + std::to_string(size) + " zamiast " + std::to_string(r.size);
      } else if (plain != r.plain) {
        what = "długość po rozpakowaniu " + std::to_string(plain) + " zamiast " +
               std::to_string(r.plain);
      } else if (XXH3_64bits_digest(hash.get()) != r.hash()) {
        what = "inna suma kontrolna danych";
      }
    }
    if (!what.empty()) {
      failed_at = i;
      failure = what;
    }
  }
  // The first difference in write order wins, wherever it was found.
  std::string unpack_failure;
  const size_t unpack_failed_at = unpacker.Finish(&unpack_failure);
  if (unpack_failed_at < failed_at) {
    failed_at = unpack_failed_at;
    failure = unpack_failure;
  }
  if (failed_at < records_.size()) {
    Fail(Where(RowOf(failed_at), records_[failed_at].address) + failure);
  }
}

void Verifier::VerifyTable(const std::string& table_file, const std::string& address_field) {
  ReadOnlyEnv ro(env_);
  dbase::Table table(&ro);
  table.SetDatabaseName(platform::ExtractFileDir(table_file));
  table.SetTableName(platform::ExtractFileName(table_file));
  platform::Status s = table.Open();
  if (!s.ok()) Fail("nie udało się otworzyć tabeli " + table_file + " (" + s.message() + ")");
  const int field = table.FindField(address_field);
  if (field < 0) Fail("brak pola " + address_field + " w " + table_file);

  // Both lists are in table order; walk them beside the table's rows.
  size_t ri = 0, ti = 0;
  s = table.First();
  while (s.ok() && !table.Eof() && (ri < records_.size() || ti < rows_.size())) {
    const uint32_t recno = table.RecNo();
    Step(records_.size() + recno);
    std::string expected;
    bool check = false;
    int32_t address = 0;
    if (ri < records_.size() && recno < has_record_.size() && has_record_[recno]) {
      address = records_[ri].address;
      expected = IntToHex8(address);
      check = true;
      ++ri;
    } else if (ti < rows_.size() && rows_[ti].row == recno) {
      expected = texts_[rows_[ti].text];
      check = true;
      ++ti;
    }
    if (check) {
      const std::string got = table.GetText(field);
      if (got != expected) {
        Fail(Where(recno, address) + "pole " + address_field + " zawiera \"" + got +
             "\" zamiast \"" + expected + "\"");
      }
    }
    s = table.Next();
  }
  if (!s.ok()) Fail("błąd odczytu tabeli " + table_file + " (" + s.message() + ")");
  if (ri < records_.size()) {
    Fail(Where(RowOf(ri), records_[ri].address) + "brak wiersza w tabeli " + table_file);
  }
  if (ti < rows_.size()) Fail(Where(rows_[ti].row, 0) + "brak wiersza w tabeli " + table_file);
  table.Close();
}

void Verifier::VerifyLimit(const std::string& data_file, int32_t max_bytes) {
  ReadOnlyEnv ro(env_);
  store::tjxmemo probe(&ro);
  const int64_t limit_kb = LimitKb(max_bytes);
  const int32_t recorded = probe.ReadMaxSize(data_file);
  if (recorded < 0) {
    Fail("nie udało się odczytać limitu z pliku " + data_file + " (" + probe.LastError() + ")");
  }
  if (recorded != limit_kb * 1024) {
    Fail("plik " + data_file + " ma zapisany limit " + std::to_string(recorded) + " zamiast " +
         std::to_string(limit_kb * 1024));
  }
  if (limit_kb == 0) return;
  // No file of the set may grow past the limit (a small limit counts as
  // 1,000,000 bytes).
  const uint64_t most = static_cast<uint64_t>(std::max<int32_t>(max_bytes, 1000000));
  const std::string dir = platform::ExtractFilePath(data_file);
  const std::string stem = RemoveExt(platform::ExtractFileName(data_file));
  std::vector<platform::DirEntry> entries;
  platform::Status listed = ro.ListDirectory(dir, stem + ".*", &entries);
  if (!listed.ok()) Fail("nie da się odczytać " + dir + " (" + listed.message() + ")");
  const std::string data_name = platform::ExtractFileName(data_file);
  for (const auto& e : entries) {
    if (e.is_directory || !IsSetFile(e.name, data_name, stem)) continue;
    std::unique_ptr<platform::File> f;
    uint64_t size = 0;
    platform::Status s = ro.OpenFile(dir + e.name, platform::OpenMode::kReadOnlyShared, &f);
    if (s.ok()) s = f->Size(&size);
    if (!s.ok())
      Fail("nie da się odczytać rozmiaru pliku " + dir + e.name + " (" + s.message() + ")");
    if (size > most) {
      Fail("plik " + dir + e.name + " ma " + std::to_string(size) + " bajtów, więcej niż " +
           std::to_string(most));
    }
  }
}

}  // namespace engine
