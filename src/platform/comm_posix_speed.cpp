#include "platform/comm_posix_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

namespace comm::detail {

int ApplyLine(int Fd, const TLineFields& Fields, uint32_t ArbitraryRate, uint32_t& Actual) {
  struct termios2 t {};
  if (::ioctl(Fd, TCGETS2, &t) < 0) return errno;
  t.c_iflag = Fields.iflag;
  t.c_oflag = Fields.oflag;
  t.c_cflag = Fields.cflag & ~(CBAUD << IBSHIFT);  // input rate follows the output rate
  t.c_lflag = Fields.lflag;
  t.c_line = Fields.line;
  static_assert(sizeof t.c_cc >= sizeof Fields.cc);
  std::memcpy(t.c_cc, Fields.cc, sizeof Fields.cc);
  if (ArbitraryRate != 0) {
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = ArbitraryRate;
    t.c_ospeed = ArbitraryRate;
  }
  if (::ioctl(Fd, TCSETS2, &t) < 0) return errno;
  if (::ioctl(Fd, TCGETS2, &t) < 0) return errno;
  Actual = t.c_ospeed;
  return 0;
}

}  // namespace comm::detail
