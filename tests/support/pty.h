#pragma once
// Real pseudo-terminals for the tests and benchmarks: a pair whose master side the test holds
// (the device's end), a host's end opened on a terminal path as the serial component opens
// its port, and reads that wait with a deadline instead of sleeping.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace testpty {

using namespace std::chrono_literals;

// Raw 8N1 without flow control; a Baud of 0 keeps the line's speed.
inline void MakeRaw(int Fd, unsigned Baud = 0) {
  termios t{};
  if (::tcgetattr(Fd, &t) != 0) throw std::system_error(errno, std::generic_category(), "tcgetattr");
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
  // glibc takes the bit rate itself as well as its B constant.
  if (Baud != 0 && ::cfsetspeed(&t, speed_t(Baud)) != 0) throw std::invalid_argument("speed");
  if (::tcsetattr(Fd, TCSANOW, &t) != 0) throw std::system_error(errno, std::generic_category(), "tcsetattr");
}

// Writes everything, waiting while the line is full; the errno of a failure, 0 on success.
inline int WriteAll(int Fd, std::string_view Bytes) {
  std::size_t done = 0;
  while (done < Bytes.size()) {
    const ssize_t n = ::write(Fd, Bytes.data() + done, Bytes.size() - done);
    if (n < 0 && errno == EAGAIN) {
      pollfd p{Fd, POLLOUT, 0};
      ::poll(&p, 1, 100);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += std::size_t(n);
  }
  return 0;
}

// Reads until Want bytes have come, the time has run out or the line has hung up. Each read
// takes what is there, up to Limit bytes in all: bytes that came beyond Want show up too.
inline std::string ReadUntil(int Fd, std::size_t Want, std::chrono::milliseconds Timeout,
                             std::size_t Limit = SIZE_MAX) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + Timeout;
  while (got.size() < Want) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{Fd, POLLIN, 0};
    if (::poll(&p, 1, int(left.count())) <= 0) continue;
    if (!(p.revents & POLLIN)) break;
    char buf[256];
    const ssize_t n = ::read(Fd, buf, std::min(sizeof buf, Limit - got.size()));
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) break;
    got.append(buf, std::size_t(n));
  }
  return got;
}

// A pseudo-terminal pair, raw unless asked to keep the system's settings. The code under
// test opens Path(); the test is the device on the master side. A slave descriptor stays
// open, as a simulator keeps one, so that a port may close and reopen the line.
class Pty {
 public:
  explicit Pty(bool Raw = true) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) < 0 || ::unlockpt(master_) < 0) {
      const int error = errno;
      CloseMaster();
      throw std::system_error(error, std::generic_category(), "no pty");
    }
    path_ = ::ptsname(master_);
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
      const int error = errno;
      CloseMaster();
      throw std::system_error(error, std::generic_category(), "cannot open " + path_);
    }
    if (Raw) MakeRaw(slave_);
  }
  ~Pty() {
    CloseMaster();
    ::close(slave_);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& Path() const { return path_; }
  int Master() const { return master_; }
  int Slave() const { return slave_; }

  // The device sends bytes.
  void Send(std::string_view Bytes) const {
    if (WriteAll(master_, Bytes) != 0) throw std::runtime_error("master write failed");
  }
  // What the device received within Timeout (stops early once Want bytes are there).
  std::string Receive(std::size_t Want, std::chrono::milliseconds Timeout = 5s) const {
    return ReadUntil(master_, Want, Timeout);
  }
  // Line settings of the slave, as the master sees them.
  termios Attributes() const {
    termios t{};
    ::tcgetattr(master_, &t);
    return t;
  }
  // Unplugs the device: the slave side is hung up.
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

// The host's end of a line: a terminal path opened and set up as the serial component does
// (raw, 8N1, no flow control, a given speed), optionally held exclusively.
class HostEnd {
 public:
  HostEnd(const std::string& Path, unsigned Baud, bool Exclusive = false) {
    fd_ = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "open " + Path);
    if (Exclusive) {
      ::ioctl(fd_, TIOCEXCL);
      ::flock(fd_, LOCK_EX | LOCK_NB);
    }
    SetSpeed(Baud);
  }
  ~HostEnd() { Close(); }
  HostEnd(const HostEnd&) = delete;
  HostEnd& operator=(const HostEnd&) = delete;

  void Close() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
    fd_ = -1;
  }
  void SetSpeed(unsigned Baud) { MakeRaw(fd_, Baud); }
  // Writes everything; the errno of a failure, 0 on success.
  int Write(std::string_view Bytes) const { return WriteAll(fd_, Bytes); }
  // Reads until N bytes have come (never more) or the time has run out.
  std::string Read(std::size_t N, std::chrono::milliseconds Timeout) const { return ReadUntil(fd_, N, Timeout, N); }
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace testpty
