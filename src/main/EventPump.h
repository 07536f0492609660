#pragma once
#include <cstdint>
#include <functional>

// The long operations of the window run inside their command handler and keep the window
// (and the serial port's hand-overs) alive by pumping events.

// Processes every pending event and returns at once when none is pending. Called again
// within a millisecond with no hand-over from the port's threads in between, it
// returns at once: a caller pumping after every few bytes then pays for a round of the event loop only when
// one can matter.
void PumpEvents();

// Pumps events until Done() returns true (checked after every pump) or Milliseconds have
// passed on the tick counter since Start. Every event is processed as soon as it arrives,
// but the thread sleeps while nothing is pending. The time is checked before each pump,
// so a span already over returns false without pumping. In the last tick the sleep ends on
// the tick itself or at a hand-over from the port's threads.
bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done);
