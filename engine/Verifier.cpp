// Read-back check of a division's new description files and working table.
#include "engine/Verifier.h"

#include <xxhash.h>

#include <algorithm>
#include <chrono>

#include "dbase/Table.h"
#include "engine/Common.h"
#include "engine/EngineError.h"
#include "engine/ReadOnlyEnv.h"
#include "platform/Path.h"
#include "store/jxmemo.h"

namespace engine {

const char kMsgVerifyFailed[] = "Weryfikacja nowych plików nie powiodła się: ";

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

}  // namespace

TVerifier::TVerifier(platform::Env* env) : env_(env) {}

void TVerifier::AddRecord(uint32_t row, int32_t address, const uint8_t* data, int32_t size,
                          int32_t plain_size) {
  const auto start = std::chrono::steady_clock::now();
  records_.push_back({row, address, size, plain_size, Hash(data, size)});
  seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void TVerifier::AddRow(uint32_t row, const std::string& text) {
  rows_.push_back({row, text});
}

void TVerifier::Verify(const std::string& data_file, const std::string& table_file,
                       const std::string& address_field, int32_t max_bytes) {
  const auto start = std::chrono::steady_clock::now();
  struct Clock {
    std::chrono::steady_clock::time_point start;
    double* seconds;
    ~Clock() {
      *seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
  } clock{start, &seconds_};
  VerifyLimit(data_file, max_bytes);
  VerifyRecords(data_file);
  VerifyTable(table_file, address_field);
}

void TVerifier::VerifyRecords(const std::string& data_file) {
  ReadOnlyEnv ro(env_);
  store::tjxmemo target(&ro);
  if (!target.Open(data_file)) {
    Fail("nie udało się otworzyć pliku " + data_file + " (" + target.LastError() + ")");
  }
  for (const Record& r : records_) {
    int32_t size = 0, plain = 0;
    const uint8_t* data = nullptr;
    // What arrived compressed must come back byte for byte as it was; what
    // arrived plain was compressed by the writer, so it is unpacked and
    // compared with the bytes the old file held.
    const bool unpack = r.plain == 0;
    if (!target.ReadRecord(size, r.address, data, unpack, plain)) {
      Fail(Where(r.row, r.address) + "nie da się odczytać rekordu (" + target.LastError() + ")");
    }
    if (size != r.size) {
      Fail(Where(r.row, r.address) + "długość " + std::to_string(size) + " zamiast " +
           std::to_string(r.size));
    }
    if (plain != r.plain) {
      Fail(Where(r.row, r.address) + "długość po rozpakowaniu " + std::to_string(plain) +
           " zamiast " + std::to_string(r.plain));
    }
    if (Hash(data, size) != r.hash) Fail(Where(r.row, r.address) + "inna suma kontrolna danych");
  }
  if (!target.CloseAll()) Fail("nie udało się zamknąć pliku " + data_file);
}

void TVerifier::VerifyTable(const std::string& table_file, const std::string& address_field) {
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
    std::string expected;
    bool check = false;
    int32_t address = 0;
    if (ri < records_.size() && records_[ri].row == recno) {
      address = records_[ri].address;
      expected = IntToHex8(address);
      check = true;
      ++ri;
    } else if (ti < rows_.size() && rows_[ti].row == recno) {
      expected = rows_[ti].text;
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
    Fail(Where(records_[ri].row, records_[ri].address) + "brak wiersza w tabeli " + table_file);
  }
  if (ti < rows_.size()) Fail(Where(rows_[ti].row, 0) + "brak wiersza w tabeli " + table_file);
  table.Close();
}

void TVerifier::VerifyLimit(const std::string& data_file, int32_t max_bytes) {
  ReadOnlyEnv ro(env_);
  store::tjxmemo probe(&ro);
  const int64_t limit_kb = LimitKb(max_bytes);
  const int32_t recorded = probe.ReadMaxSize(data_file);
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
  if (!ro.ListDirectory(dir, stem + ".*", &entries).ok()) Fail("nie da się odczytać " + dir);
  const std::string data_name = platform::ExtractFileName(data_file);
  for (const auto& e : entries) {
    if (e.is_directory || !IsSetFile(e.name, data_name, stem)) continue;
    std::unique_ptr<platform::File> f;
    uint64_t size = 0;
    if (!ro.OpenFile(dir + e.name, platform::OpenMode::kReadOnlyShared, &f).ok() ||
        !f->Size(&size).ok()) {
      Fail("nie da się odczytać rozmiaru pliku " + dir + e.name);
    }
    if (size > most) {
      Fail("plik " + dir + e.name + " ma " + std::to_string(size) + " bajtów, więcej niż " +
           std::to_string(most));
    }
  }
}

}  // namespace engine
