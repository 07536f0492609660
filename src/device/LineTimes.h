#pragma once
// How long the line needs for a number of bytes, and how long the upload lets a device stay
// silent or a port's queue stay full before it counts the device as stopped.
#include <algorithm>
#include <cstdint>

#include "device/Protocol.h"
#include "serial/CPort.h"

class TLineTimes {
 public:
  TLineTimes(const TComPort& Port, uint32_t MarginMs)
      : bytesPerSecond_(std::max<uint32_t>(1, Baud(Port) / 10)), marginMs_(MarginMs) {}

  // How long Bytes may take before the device counts as stopped. Why the margin: a USB
  // bridge holds short replies back (an FTDI latency timer, 16 ms USB frames), and a loaded
  // two-core machine can leave the program or the device's reader unscheduled for a second
  // and more (measured: a healthy device tripped a one-second margin under heavy load).
  uint32_t Limit(uint64_t Bytes) const {
    return uint32_t(std::min<uint64_t>(Bytes * 1000 / bytesPerSecond_, UINT32_MAX / 2)) + marginMs_;
  }

 private:
  static uint32_t Baud(const TComPort& Port) {
    return Port.BaudRate() == brCustom ? uint32_t(std::max<int32_t>(0, Port.CustomBaudRate())) : BaudRateToInt(Port.BaudRate());
  }

  uint32_t bytesPerSecond_;
  uint32_t marginMs_;
};
