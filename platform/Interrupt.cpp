#include "platform/Interrupt.h"

#include <atomic>

namespace platform {
namespace {

// Lock-free, so a signal handler may set it.
std::atomic<bool> g_interrupt{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

bool InterruptRequested() {
  return g_interrupt.load(std::memory_order_relaxed);
}
void RequestInterrupt() {
  g_interrupt.store(true, std::memory_order_relaxed);
}
void ClearInterrupt() {
  g_interrupt.store(false, std::memory_order_relaxed);
}

}  // namespace platform
