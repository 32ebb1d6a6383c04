// Fuzz target: the input is a description file set. Its first bytes are
// the base file; when the header sets a limit M, whatever lies beyond
// kilobyte M + 1 becomes continuation file 1. The set is opened held and
// then for writing; each time every address of its first kilobytes is read
// packed and unpacked. Two records are appended and must read back as
// written, and the integrity check walks the result. Nothing may crash,
// hang or allocate what a length merely claims.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Coding.h"
#include "store/Checker.h"
#include "store/jxmemo.h"

namespace {

const std::string& ScratchDir() {
  static const std::string dir = platform::Env::Default()->TempDirectory() + "podzial-fuzz-" +
                                 std::to_string(::getpid()) + "/";
  return dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

void ReadAll(store::tjxmemo& memo, size_t size) {
  int32_t last = static_cast<int32_t>(size / 1024) + 1;
  if (last > 64) last = 64;
  for (int32_t a = 0; a <= last; ++a) {
    // The cheap test of an address must agree with reading the record:
    // it may let through a record whose later blocks are damaged, never
    // refuse one that reads.
    const bool starts = memo.HasRecordAt(a);
    int32_t size = 0, plain_size = 0;
    const uint8_t* bytes = nullptr;
    if (memo.ReadRecord(size, a, bytes, false, plain_size) && a != 0 && !starts) {
      std::fprintf(stderr, "record at %d reads but its start was refused\n", a);
      std::abort();
    }
    for (bool unpack : {true, false}) {
      int32_t got = 0, plain = 0;
      const uint8_t* out = nullptr;
      if (memo.ReadRecord(got, a, out, unpack, plain) && out && got > 0) {
        // Touch every delivered byte so a wrong length shows up.
        volatile uint8_t sum = 0;
        for (int32_t i = 0; i < got; ++i) sum = static_cast<uint8_t>(sum + out[i]);
      }
    }
  }
}

// What is written must come back, whatever the file said before.
void WriteAndReadBack(store::tjxmemo& memo) {
  std::vector<uint8_t> small(700, 'x'), large(5000);
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
  for (const auto* rec : {&small, &large}) {
    int32_t address = 0;
    if (!memo.WriteRecord(static_cast<int32_t>(rec->size()), address, rec->data(), 0)) continue;
    int32_t got = 0, plain = 0;
    const uint8_t* out = nullptr;
    if (!memo.ReadRecord(got, address, out, true, plain) ||
        std::vector<uint8_t>(out, out + got) != *rec) {
      std::fprintf(stderr, "record written at %d does not read back\n", address);
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = ScratchDir();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir, ec);
  const std::string base = dir + "opisy.dat";
  size_t split = size;
  if (size >= 12 && (data[3] == '1' || data[3] == '0')) {
    int64_t limit = platform::DecodeI32(data + 8);
    if (limit > 0 && static_cast<uint64_t>(limit + 1) * 1024 < size)
      split = static_cast<size_t>(limit + 1) * 1024;
  }
  WriteFile(base, data, split);
  if (split < size) WriteFile(dir + "opisy.001", data + split, size - split);
  {
    // A held set is read through a window kept from record to record.
    store::tjxmemo held;
    if (held.OpenHeld(base)) ReadAll(held, size);
  }
  {
    store::tjxmemo memo;
    if (memo.Open(base)) {
      ReadAll(memo, size);
      (void)memo.ReadMaxSize("");
      memo.DeferFlush = size % 2 == 1;  // both ways of writing
      WriteAndReadBack(memo);
    }
  }
  store::CheckReport report;
  std::string error;
  (void)store::CheckSet(platform::Env::Default(), base, &report, &error);
  std::filesystem::remove_all(dir, ec);
  return 0;
}
