#pragma once
// Placeholder until the serial port component lands.
class TCustomComPort {
 public:
  virtual ~TCustomComPort() = default;
};
class TComPort : public TCustomComPort {};
