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

  // A device that works acknowledges within two windows, also across a sound's end (the
  // rest of the last window, then the next sound's first); two more cover an ack still on
  // its way and an ack wait that missed it by a hair. The bytes queued at the port must
  // leave before the device can see them. The margin covers a loaded machine's scheduling
  // and a USB bridge's latency, which no line rate predicts.
  uint32_t SilenceLimit(uint32_t Queued) const { return Carry(4 * protocol::AckEvery + uint64_t(Queued)) + marginMs_; }
  uint32_t DrainLimit(uint32_t Queued) const { return Carry(Queued) + marginMs_; }

 private:
  static uint32_t Baud(const TComPort& Port) {
    return Port.BaudRate() == brCustom ? uint32_t(std::max<int32_t>(0, Port.CustomBaudRate())) : BaudRateToInt(Port.BaudRate());
  }

  uint32_t bytesPerSecond_;
  uint32_t marginMs_;
};
