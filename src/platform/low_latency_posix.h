#pragma once
// A USB serial bridge holds received bytes up to its latency timer (16 ms on FTDI) before it
// passes them on; the device's acknowledgements then come late. ASYNC_LOW_LATENCY asks the
// driver for its shortest timer. Only the flag is changed, and it is put back as it was.
namespace platform {

class TLowLatency {
 public:
  // Asks for low latency on Fd; a driver that refuses (a pseudo-terminal, a plain UART
  // driver without the flag) is left alone.
  explicit TLowLatency(int Fd);
  // Puts the flag back on the same descriptor, before it closes.
  void Restore();
  bool Changed() const { return changed_; }

 private:
  int fd_;
  bool changed_ = false;
};

}  // namespace platform
