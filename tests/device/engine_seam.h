#pragma once
// The engine's port, receive buffer and found device, as tests (and benchmarks) set them up.
#include "device/Engine.h"

struct TEngineSeam {
  static std::string& RxBuffer(TDeviceEngine& Engine) { return Engine.rxBuffer_; }
  static TComPort& ComPort(TDeviceEngine& Engine) { return *Engine.comPort_; }
  static TDeviceInfo& Device(TDeviceEngine& Engine) { return Engine.device_; }
};
