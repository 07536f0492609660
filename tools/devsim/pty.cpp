#include "pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

namespace devsim {

UniqueFd& UniqueFd::operator=(UniqueFd&& o) noexcept {
  if (this != &o) {
    Reset();
    fd_ = o.Release();
  }
  return *this;
}

void UniqueFd::Reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

namespace {
[[noreturn]] void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }
}  // namespace

Pty::Pty() {
  master_ = UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (master_.Get() < 0) Fail("posix_openpt");
  if (::grantpt(master_.Get()) != 0) Fail("grantpt");
  if (::unlockpt(master_.Get()) != 0) Fail("unlockpt");
  char name[128];
  if (::ptsname_r(master_.Get(), name, sizeof name) != 0) Fail("ptsname_r");
  slave_path_ = name;
  int flags = ::fcntl(master_.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(master_.Get(), F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl");
  // The line settings stay as the kernel makes them (cooked, echo, 38400): a host that
  // does not set up the line properly must show in the log, as on a real port.
  slave_ = UniqueFd(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (slave_.Get() < 0) Fail("open slave");
}

unsigned Pty::HostBaud() const { return TerminalOutputBaud(master_.Get()); }
unsigned Pty::HostReceiveBaud() const { return TerminalInputBaud(master_.Get()); }

bool Pty::HostEchoes() const {
  termios t{};
  return ::tcgetattr(master_.Get(), &t) == 0 && (t.c_lflag & ECHO);  // the slave's settings
}

std::size_t Pty::Unread() const {
  std::lock_guard lock(close_mutex_);
  int n = 0;
  if (master_.Get() < 0 || ::ioctl(master_.Get(), FIONREAD, &n) != 0 || n < 0) return 0;
  return std::size_t(n);
}

void Pty::HoldHostOutput(bool hold) {
  // The stop set here is the kind a host's own settings cannot lift (TCOOFF).
  if (::tcflow(slave_.Get(), hold ? TCOOFF : TCOON) != 0) std::perror("kestrilo-devsim: tcflow");
}

void Pty::Close() {
  std::lock_guard lock(close_mutex_);
  master_.Reset();
  slave_.Reset();
}

bool Pty::LockHeld() const {
  struct stat st {};
  if (::fstat(slave_.Get(), &st) != 0) return true;  // unsure: leave the flag alone
  std::ifstream locks("/proc/locks");
  if (!locks) return true;
  std::string line;
  while (std::getline(locks, line)) {
    if (line.find("->") != std::string::npos) continue;  // a waiter, not a holder
    std::istringstream fields(line);
    std::string f;
    while (fields >> f) {
      unsigned maj = 0, min = 0;
      unsigned long ino = 0;
      char c1 = 0, c2 = 0;
      std::istringstream id(f);
      if ((id >> std::hex >> maj >> c1 >> min >> c2 >> std::dec >> ino) && c1 == ':' && c2 == ':' &&
          maj == major(st.st_dev) && min == minor(st.st_dev) && ino == st.st_ino)
        return true;
    }
  }
  return false;
}

void Pty::ReleaseStaleExclusive() {
  int exclusive = 0;
  if (slave_.Get() < 0 || ::ioctl(slave_.Get(), TIOCGEXCL, &exclusive) != 0 || !exclusive || LockHeld()) {
    stale_exclusive_seen_ = 0;
    return;
  }
  // Seen twice, 50 ms apart, so that a host caught between setting the flag and taking
  // its lock keeps its flag.
  if (++stale_exclusive_seen_ >= 2) {
    ::ioctl(slave_.Get(), TIOCNXCL);
    stale_exclusive_seen_ = 0;
  }
}

}  // namespace devsim
