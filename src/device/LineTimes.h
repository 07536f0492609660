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

  uint32_t Carry(uint64_t Bytes) const { return uint32_t(std::min<uint64_t>(Bytes * 1000 / bytesPerSecond_, UINT32_MAX / 2)); }

  // Why four windows: a working device acknowledges within two, also across a sound's end
  // (the rest of the last window, then the next sound's first); the host looks only once a
  // window, so it may see an ack one window late; one more is slack for a device that
  // answers a little late. Bytes queued at the port must leave before the device sees them.
  // Why a second: a USB bridge holds short replies back (an FTDI latency timer, 16 ms USB
  // frames) and a loaded two-core machine can leave the program unscheduled for hundreds of
  // milliseconds; neither follows from the line's rate.
  uint32_t SilenceLimit(uint32_t Queued) const { return Carry(4 * protocol::AckEvery + uint64_t(Queued)) + marginMs_; }
  uint32_t DrainLimit(uint32_t Queued) const { return Carry(Queued) + marginMs_; }

 private:
  static uint32_t Baud(const TComPort& Port) {
    return Port.BaudRate() == brCustom ? uint32_t(std::max<int32_t>(0, Port.CustomBaudRate())) : BaudRateToInt(Port.BaudRate());
  }

  uint32_t bytesPerSecond_;
  uint32_t marginMs_;
};
