// Fuzz target: the input is a description file's base file. It is opened,
// every address of its first kilobytes is read packed and unpacked, and the
// integrity check walks it. Nothing may crash, hang or allocate what a
// length merely claims.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "store/Checker.h"
#include "store/jxmemo.h"

namespace {

std::string ScratchFile() {
  static const std::string path = platform::Env::Default()->TempDirectory() + "podzial-fuzz-" +
                                  std::to_string(::getpid()) + ".dat";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ScratchFile();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  {
    store::tjxmemo memo;
    if (memo.Open(path)) {
      int32_t last = static_cast<int32_t>(size / 1024) + 1;
      if (last > 64) last = 64;
      for (int32_t a = 0; a <= last; ++a) {
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
      (void)memo.ReadMaxSize("");
    }
  }
  store::CheckReport report;
  std::string error;
  (void)store::CheckSet(platform::Env::Default(), path, &report, &error);
  std::remove(path.c_str());
  return 0;
}
