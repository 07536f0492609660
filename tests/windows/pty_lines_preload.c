/* Test fixture, loaded into Wine with LD_PRELOAD: a pseudo-terminal has no modem lines and no
 * error counters, so the kernel refuses those ioctls and Wine's serial waits fail at once.
 * Only after the kernel refused one, and only on a pseudo-terminal, this answers it the way an
 * idle serial line would: the outputs (DTR, RTS) as last set, every input line off, no
 * errors, and the transmitter empty once the output queue has drained. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <linux/serial.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

enum { kMaxFd = 4096 };
static int output_lines[kMaxFd]; /* DTR and RTS as the program set them, per descriptor */

/* Unix98 pseudo-terminal slaves have majors 136..143. */
static int is_pty(int fd) {
  struct stat st;
  return fd >= 0 && fd < kMaxFd && fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
         major(st.st_rdev) <= 143;
}

static int answer(int fd, unsigned long request, void* arg, ioctl_fn real) {
  const int outputs = TIOCM_DTR | TIOCM_RTS;
  switch (request) {
    case TIOCMGET: *(int*)arg = output_lines[fd]; return 0;
    case TIOCMSET: output_lines[fd] = *(const int*)arg & outputs; return 0;
    case TIOCMBIS: output_lines[fd] |= *(const int*)arg & outputs; return 0;
    case TIOCMBIC: output_lines[fd] &= ~*(const int*)arg; return 0;
    case TIOCGICOUNT: memset(arg, 0, sizeof(struct serial_icounter_struct)); return 0;
    case TIOCSERGETLSR: {
      int queued = 0;
      if (real(fd, TIOCOUTQ, &queued) != 0) return -1;
      *(unsigned int*)arg = queued == 0 ? TIOCSER_TEMT : 0;
      return 0;
    }
    default: return -1;
  }
}

int ioctl(int fd, unsigned long request, ...) {
  static ioctl_fn real;
  if (!real) real = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  const int r = real(fd, request, arg);
  if (r == 0 || (errno != ENOTTY && errno != EINVAL) || !is_pty(fd)) return r;
  const int saved = errno;
  if (answer(fd, request, arg, real) == 0) return 0;
  errno = saved;
  return r;
}
