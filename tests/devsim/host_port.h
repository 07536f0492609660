#pragma once
// The host's side of a simulator: a real pseudo-terminal opened and set up as the
// serial port component does (raw, 8N1, no flow control, a given speed).
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace devsim_test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

inline Bytes B(std::initializer_list<int> v) {
  Bytes out;
  for (int x : v) out.push_back(std::uint8_t(x));
  return out;
}

inline speed_t SpeedConstant(unsigned baud) {
  switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
  }
  throw std::invalid_argument("speed");
}

class HostPort {
 public:
  HostPort(const std::string& path, unsigned baud, bool exclusive = false) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "open " + path);
    if (exclusive) {
      ::ioctl(fd_, TIOCEXCL);
      ::flock(fd_, LOCK_EX | LOCK_NB);
    }
    SetSpeed(baud);
  }
  ~HostPort() { Close(); }
  HostPort(const HostPort&) = delete;
  HostPort& operator=(const HostPort&) = delete;

  void Close() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
    fd_ = -1;
  }

  void SetSpeed(unsigned baud) {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) throw std::system_error(errno, std::generic_category(), "tcgetattr");
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
    ::cfsetspeed(&t, SpeedConstant(baud));
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) throw std::system_error(errno, std::generic_category(), "tcsetattr");
  }

  // Writes everything (blocking); returns errno of a failure, 0 on success.
  int Write(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      done += std::size_t(n);
    }
    return 0;
  }
  int Write(const std::string& s) { return Write(Bytes(s.begin(), s.end())); }

  // Reads until n bytes have come or the time has run out.
  Bytes Read(std::size_t n, std::chrono::milliseconds timeout) {
    Bytes out;
    auto end = std::chrono::steady_clock::now() + timeout;
    while (out.size() < n) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, int(left.count())) <= 0) continue;
      if (!(p.revents & POLLIN)) break;
      std::uint8_t buf[256];
      ssize_t got = ::read(fd_, buf, std::min(sizeof buf, n - out.size()));
      if (got <= 0) break;
      out.insert(out.end(), buf, buf + got);
    }
    return out;
  }
  // Everything that arrives during the given time.
  Bytes ReadFor(std::chrono::milliseconds time) { return Read(SIZE_MAX, time); }

  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace devsim_test
