// Reads the record chains of a newly written description file set on its
// own, without the store, for the verification before the commit. The new
// set was written front to back, so reads go through one read-ahead window
// per file (earlier files' windows are released) and record bytes are
// hashed as they stream past. Every field read is checked before it is
// used; nothing is written.
#pragma once

#include <xxhash.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Env.h"
#include "store/Format.h"

namespace engine {

class SetReader {
 public:
  SetReader(platform::Env* env, std::string data_file);

  // Reads the base file's header.
  bool Open(std::string* error);

  // Follows the chain at `address`. Its payloads go into `hash`, and into
  // `bytes` when given; `first` receives the first block's header. Fails
  // on a block outside the set, cut short, with another owner, a foreign
  // class or an oversized payload, and on a chain whose length is not the
  // record's.
  bool ReadChain(int32_t address, XXH3_state_t* hash, std::vector<uint8_t>* bytes,
                 store::BlockHeader* first, std::string* error);

 private:
  static constexpr size_t kWindow = 1u << 20;
  struct FileWindow {
    std::unique_ptr<platform::File> file;
    uint64_t start = 0;
    std::vector<uint8_t> data;
  };

  // Points *p at up to n bytes of file `number` from `offset` (fewer, *got,
  // only at its end), reading ahead when they are not in the window.
  bool Window(int number, uint64_t offset, size_t n, const uint8_t** p, size_t* got,
              std::string* error);

  platform::Env* env_;
  std::string data_file_;
  store::FileHeader header_;
  std::map<int, FileWindow> windows_;
};

}  // namespace engine
