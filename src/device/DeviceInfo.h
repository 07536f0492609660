#pragma once
#include <cstdint>
#include <string>

// What the last device search found; Status 0 means no device.
struct TDeviceInfo {
  uint8_t Status = 0;       // 56 ('8') when the device answered the version probe
  uint8_t ReplyByte2 = 0;
  uint8_t ReplyByte1 = 0;   // memory size in units of 131072 bytes
  int32_t Capacity = 0;     // bytes
  std::string PortName;
  std::string DeviceName;
};
