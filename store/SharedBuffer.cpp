// Storage of the process-wide block buffer.
#include "store/SharedBuffer.h"

namespace store {
namespace {
// Static storage: reserved when the program starts, never released.
alignas(64) uint8_t g_shared_buffer[kMaxBlockSize];
}  // namespace

uint8_t* SharedBuffer() {
  return g_shared_buffer;
}

}  // namespace store
