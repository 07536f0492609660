#pragma once
// What the list needs of the device's memory, and whether it fits. No Qt here.
#include <cstdint>

#include "device/Protocol.h"

struct TMemoryUse {
  int64_t NeededBytes = 0;    // samples of every row whose length is known
  int UnknownRows = 0;        // rows whose length is not known (yet)
  int64_t CapacityBytes = 0;  // the device's memory from the last search; 0: no device found

  bool DeviceKnown() const { return CapacityBytes > 0; }
  int64_t UsableBytes() const { return CapacityBytes > protocol::MemoryMargin ? CapacityBytes - protocol::MemoryMargin : 0; }
  // The upload refuses a total that reaches the usable size.
  bool Fits() const { return !DeviceKnown() || NeededBytes < UsableBytes(); }
  double NeededSeconds() const { return double(NeededBytes) / protocol::SampleRate; }
  double CapacitySeconds() const { return double(UsableBytes()) / protocol::SampleRate; }
  double LeftSeconds() const { return CapacitySeconds() - NeededSeconds(); }  // < 0: too long
};
