#include "platform/ticks.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<uint32_t> TickOffset{0};

uint32_t TicksAt(uint64_t Ns) {
  return static_cast<uint32_t>(Ns / 1000000u) + TickOffset.load(std::memory_order_relaxed);
}
}  // namespace

uint32_t GetTickCount() { return TicksAt(TickClockNs()); }

std::chrono::nanoseconds TimeUntilTicks(uint32_t Start, uint32_t Milliseconds) {
  const uint64_t now = TickClockNs();
  const uint32_t elapsed = TicksAt(now) - Start;
  if (elapsed >= Milliseconds) return std::chrono::nanoseconds(0);
  const uint64_t boundary = (now / 1000000u + (Milliseconds - elapsed)) * 1000000u;
  return std::chrono::nanoseconds(boundary - now);
}

void SetTickCountOffset(uint32_t Offset) { TickOffset.store(Offset, std::memory_order_relaxed); }

}  // namespace platform
