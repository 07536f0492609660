#include "platform/ticks.h"

#include <cerrno>
#include <ctime>

namespace platform {

uint64_t TickClockNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

void Sleep(uint32_t Milliseconds) {
  timespec rest{static_cast<time_t>(Milliseconds / 1000), static_cast<long>(Milliseconds % 1000) * 1000000L};
  // A signal cuts nanosleep short; go on sleeping for what is left.
  while (nanosleep(&rest, &rest) == -1 && errno == EINTR) {
  }
}

}  // namespace platform
