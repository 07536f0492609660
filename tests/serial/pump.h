#pragma once
// The tests' event pump: the toolkit core's CheckSynchronize, as a UI thread would run it.
#include <chrono>
#include <functional>
#include <thread>

#include "toolkit/synchronize.h"

// Pumps until Done() holds or TimeoutMs passed; true when Done() held.
inline bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    CheckSynchronize();
    if (Done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Pumps for a fixed span (to show that something does NOT happen).
inline void PumpFor(int Ms) {
  PumpUntil([] { return false; }, Ms);
}

// Waits without pumping until Done() holds or TimeoutMs passed.
inline bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (!Done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
