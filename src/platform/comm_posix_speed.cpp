#include "platform/comm_posix_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace comm::detail {

int SetArbitrarySpeed(int Fd, uint32_t Rate, uint32_t& Actual) {
  struct termios2 t {};
  if (::ioctl(Fd, TCGETS2, &t) < 0) return errno;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = Rate;
  t.c_ospeed = Rate;
  if (::ioctl(Fd, TCSETS2, &t) < 0) return errno;
  if (::ioctl(Fd, TCGETS2, &t) < 0) return errno;
  Actual = t.c_ospeed;
  return 0;
}

}  // namespace comm::detail
