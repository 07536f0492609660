#include "platform/ticks.h"
#include "platform/win32_api.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<uint32_t> TickOffset{0};
}

uint32_t GetTickCount() {
  return static_cast<uint32_t>(::GetTickCount64()) + TickOffset.load(std::memory_order_relaxed);
}

void Sleep(uint32_t Milliseconds) { ::Sleep(Milliseconds); }

void SetTickCountOffset(uint32_t Offset) { TickOffset.store(Offset, std::memory_order_relaxed); }

}  // namespace platform
