#include "platform/low_latency_posix.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace platform {

TLowLatency::TLowLatency(int Fd) : fd_(Fd) {
  serial_struct info{};
  if (::ioctl(fd_, TIOCGSERIAL, &info) != 0 || (info.flags & ASYNC_LOW_LATENCY)) return;
  info.flags |= ASYNC_LOW_LATENCY;
  changed_ = ::ioctl(fd_, TIOCSSERIAL, &info) == 0;
}

void TLowLatency::Restore() {
  if (!changed_) return;
  changed_ = false;
  serial_struct info{};
  if (::ioctl(fd_, TIOCGSERIAL, &info) != 0) return;  // the device is gone: nothing to put back
  info.flags &= ~ASYNC_LOW_LATENCY;
  (void)::ioctl(fd_, TIOCSSERIAL, &info);
}

}  // namespace platform
