#include "device/CorePump.h"

#include <chrono>
#include <thread>

#include "platform/ticks.h"
#include "toolkit/synchronize.h"

namespace corepump {

void PumpEvents() { CheckSynchronize(); }

bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) {
  for (;;) {
    // Taken before the calls run, so one queued while they run still ends the wait below.
    const uint64_t seen = MainThreadSignalCount();
    const uint32_t elapsed = platform::TicksSince(Start);
    if (elapsed >= Milliseconds) return false;
    CheckSynchronize();
    if (Done()) return true;
    const uint32_t now = platform::TicksSince(Start);
    if (now >= Milliseconds) return false;
    const uint32_t left = Milliseconds - now;
    // A timed wait of one millisecond would overshoot the tick; nap in the last one.
    if (left == 1)
      std::this_thread::sleep_for(std::chrono::microseconds(250));
    else
      MainThreadWait(seen, left - 1);
  }
}

}  // namespace corepump
