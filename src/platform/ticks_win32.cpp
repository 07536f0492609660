#include "platform/ticks.h"
#include "platform/win32_api.h"

namespace platform {

// The performance counter: GetTickCount64 moves in steps of up to 16 ms, too coarse for
// waits of a few milliseconds.
uint64_t TickClockNs() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER c;
  ::QueryPerformanceCounter(&c);
  return static_cast<uint64_t>(c.QuadPart / frequency * 1000000000 + c.QuadPart % frequency * 1000000000 / frequency);
}

void Sleep(uint32_t Milliseconds) {
  // The system's sleep may end up to a timer step early; sleep on until the time is up.
  const auto NowMs = [] { return TickClockNs() / 1000000u; };
  const uint64_t end = NowMs() + Milliseconds;
  for (uint64_t now = NowMs(); now < end; now = NowMs()) ::Sleep(static_cast<DWORD>(end - now));
  if (Milliseconds == 0) ::Sleep(0);
}

}  // namespace platform
