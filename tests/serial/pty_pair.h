#pragma once
// A real pseudo-terminal for tests: the test holds the master side (the "device"); the port
// under test opens SlavePath(). A slave descriptor is kept open, as a simulator does, so the
// port may close and reopen the line.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

class PtyPair {
 public:
  PtyPair() {
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || ::grantpt(FMaster) < 0 || ::unlockpt(FMaster) < 0) throw std::runtime_error("no pty");
    FSlavePath = ::ptsname(FMaster);
    FSlave = ::open(FSlavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FSlave < 0) throw std::runtime_error("cannot open pty slave");
    termios t{};
    ::tcgetattr(FSlave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(FSlave, TCSANOW, &t);
  }
  ~PtyPair() {
    CloseMaster();
    if (FSlave >= 0) ::close(FSlave);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& SlavePath() const { return FSlavePath; }
  int Master() const { return FMaster; }
  int Slave() const { return FSlave; }

  // The device sends bytes.
  void Send(const std::string& Bytes) {
    if (::write(FMaster, Bytes.data(), Bytes.size()) != static_cast<ssize_t>(Bytes.size()))
      throw std::runtime_error("master write failed");
  }
  // What the device received within TimeoutMs (stops early once Want bytes are there).
  std::string Receive(size_t Want, int TimeoutMs = 5000) {
    std::string got;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (got.size() < Want && std::chrono::steady_clock::now() < end) {
      pollfd p{FMaster, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
        char buf[256];
        ssize_t n = ::read(FMaster, buf, sizeof buf);
        if (n > 0) got.append(buf, static_cast<size_t>(n));
      }
    }
    return got;
  }
  // Line settings of the slave, as the master sees them.
  termios Attributes() const {
    termios t{};
    ::tcgetattr(FMaster, &t);
    return t;
  }
  // Unplugs the device: the slave side is hung up.
  void CloseMaster() {
    if (FMaster >= 0) ::close(FMaster);
    FMaster = -1;
  }

 private:
  int FMaster = -1;
  int FSlave = -1;
  std::string FSlavePath;
};
