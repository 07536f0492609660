#include "device/CorePump.h"

#include "platform/ticks.h"
#include "toolkit/synchronize.h"

namespace corepump {

void PumpEvents() { CheckSynchronize(); }

bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) {
  for (;;) {
    // Taken before the calls run, so one queued while they run still ends the wait below.
    const uint64_t seen = MainThreadSignalCount();
    if (platform::TicksSince(Start) >= Milliseconds) return false;
    CheckSynchronize();
    if (Done()) return true;
    // Sleeps to the very tick that ends the wait: a millisecond timeout would end up to a
    // tick late, and the data stream's 1 ms pauses would take half as long again.
    const auto left = platform::TimeUntilTicks(Start, Milliseconds);
    if (left.count() == 0) return false;
    MainThreadWait(seen, left);
  }
}

}  // namespace corepump
