#include "platform/ticks.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace platform {
namespace {
std::atomic<uint32_t> TickOffset{0};

uint64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

uint32_t TicksAt(uint64_t Ns) {
  return static_cast<uint32_t>(Ns / 1000000u) + TickOffset.load(std::memory_order_relaxed);
}
}  // namespace

uint32_t GetTickCount() { return TicksAt(MonotonicNs()); }

std::chrono::nanoseconds TimeUntilTicks(uint32_t Start, uint32_t Milliseconds) {
  const uint64_t now = MonotonicNs();
  const uint32_t elapsed = TicksAt(now) - Start;
  if (elapsed >= Milliseconds) return std::chrono::nanoseconds(0);
  const uint64_t boundary = (now / 1000000u + (Milliseconds - elapsed)) * 1000000u;
  return std::chrono::nanoseconds(boundary - now);
}

void Sleep(uint32_t Milliseconds) {
  timespec rest{static_cast<time_t>(Milliseconds / 1000), static_cast<long>(Milliseconds % 1000) * 1000000L};
  // A signal cuts nanosleep short; go on sleeping for what is left.
  while (nanosleep(&rest, &rest) == -1 && errno == EINTR) {
  }
}

void SetTickCountOffset(uint32_t Offset) { TickOffset.store(Offset, std::memory_order_relaxed); }

}  // namespace platform
