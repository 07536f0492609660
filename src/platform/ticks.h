#pragma once
#include <chrono>
#include <cstdint>

namespace platform {

// Milliseconds of a monotonic clock (CLOCK_MONOTONIC on Linux), truncated to 32 bits: it wraps after about 49.7 days.
// Measure a span as `GetTickCount() - start` (unsigned), never by comparing two readings,
// so that a wait stays correct across the wrap.
uint32_t GetTickCount();

// Milliseconds since Start, correct across the wrap.
inline uint32_t TicksSince(uint32_t Start) { return GetTickCount() - Start; }

// Time left until the counter reads Start + Milliseconds (zero once it has): a wait can end
// on the tick itself instead of up to a tick late.
std::chrono::nanoseconds TimeUntilTicks(uint32_t Start, uint32_t Milliseconds);

// The clock the counter counts, in nanoseconds, without the offset below.
uint64_t TickClockNs();

// Blocks the calling thread for at least the given time.
void Sleep(uint32_t Milliseconds);

// Shifts every later reading of the counter by Offset (0 by default), so that tests can
// run the waits right across the wrap instead of after 49 days of uptime.
void SetTickCountOffset(uint32_t Offset);

}  // namespace platform
