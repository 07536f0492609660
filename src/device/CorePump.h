#pragma once
// The event pump of a front end without a GUI toolkit: it runs the synchronised calls that
// the ports' event threads queue, and sleeps until the next one comes or the time is up.
#include <cstdint>
#include <functional>

namespace corepump {

// Runs every queued call and returns.
void PumpEvents();

// Runs queued calls as they come until Done() holds or Milliseconds have passed since Start.
bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done);

}  // namespace corepump
