#pragma once
#include <cstdint>
#include <functional>

// The long operations of the window run inside their command handler and keep the window
// (and the serial port's hand-overs) alive by pumping events.

// Processes every pending event and returns at once when none is pending.
void PumpEvents();

// Pumps events until Done() returns true (checked after every pump) or Milliseconds have
// passed on the tick counter since Start. Every event is processed as soon as it arrives,
// but the thread sleeps while nothing is pending. The time is checked before each pump,
// so a span already over returns false without pumping.
bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done);
