// Kept apart: the kernel's termios2 header cannot share a unit with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace devsim {

unsigned TerminalOutputBaud(int fd) {
  struct termios2 t {};
  // On a pty master this reads the slave's settings, which is what the host set.
  // Only the speed can give a wrong setting away: a pty keeps CS8 without parity
  // whatever the host asks for.
  if (::ioctl(fd, TCGETS2, &t) != 0) return 0;
  return t.c_ospeed;
}

unsigned TerminalInputBaud(int fd) {
  struct termios2 t {};
  if (::ioctl(fd, TCGETS2, &t) != 0) return 0;
  return t.c_ispeed ? t.c_ispeed : t.c_ospeed;  // 0: the same as the output speed
}

}  // namespace devsim
