// The process-wide block buffer: every block read or written and every
// header block written passes through it. It is as large as the largest
// block, so it also bounds every block and payload read from a file. All
// stores share it; store calls must not run at the same time.
#pragma once

#include <cstdint>

#include "store/Format.h"

namespace store {

// kMaxBlockSize bytes, alive for the whole process.
uint8_t* SharedBuffer();

}  // namespace store
