#include "platform/ticks.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace platform {
namespace {
std::atomic<uint32_t> TickOffset{0};
}

uint32_t GetTickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms) + TickOffset.load(std::memory_order_relaxed);
}

void Sleep(uint32_t Milliseconds) {
  timespec rest{static_cast<time_t>(Milliseconds / 1000), static_cast<long>(Milliseconds % 1000) * 1000000L};
  // A signal cuts nanosleep short; go on sleeping for what is left.
  while (nanosleep(&rest, &rest) == -1 && errno == EINTR) {
  }
}

void SetTickCountOffset(uint32_t Offset) { TickOffset.store(Offset, std::memory_order_relaxed); }

}  // namespace platform
