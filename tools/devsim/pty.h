#pragma once
#include <cstddef>
#include <mutex>
#include <string>

namespace devsim {

// An owned file descriptor.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.Release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }
  int Get() const { return fd_; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset();

 private:
  int fd_ = -1;
};

// The simulator's pseudo-terminal pair. The master is non-blocking; the simulator's own
// slave descriptor stays open so that the host may close and reopen the port.
class Pty {
 public:
  Pty();  // throws std::system_error
  int Master() const { return master_.Get(); }
  const std::string& SlavePath() const { return slave_path_; }

  // The host's output line speed in bit/s, as set on the slave side.
  unsigned HostBaud() const;
  // The speed at which the host receives.
  unsigned HostReceiveBaud() const;
  // The line still echoes what arrives, as the kernel sets it up: no host has set
  // it to raw yet.
  bool HostEchoes() const;
  // Bytes written by the host and not yet taken; 0 once closed.
  std::size_t Unread() const;
  // Holds the host's output at the terminal (as a device that stops reading would, but
  // at once: the kernel's buffer would otherwise take some 20 KB more), or lets it go.
  void HoldHostOutput(bool hold);
  // Closes both sides: the host's next write fails with EIO.
  void Close();
  // The exclusive-use flag a host sets on the port outlives its close, because our
  // master keeps the terminal alive; then nobody but root could reopen it. Clears the
  // flag once it has been seen twice in a row with no lock held on the port.
  void ReleaseStaleExclusive();
  // The host was seen alive: the flag is its own.
  void KeepExclusive() { stale_exclusive_seen_ = 0; }

 private:
  bool LockHeld() const;

  mutable std::mutex close_mutex_;  // Unread() may run on another thread than Close()
  UniqueFd master_;
  UniqueFd slave_;
  std::string slave_path_;
  int stale_exclusive_seen_ = 0;
};

// Output speed of the terminal behind fd (TCGETS2), 0 when it cannot be read.
unsigned TerminalOutputBaud(int fd);
unsigned TerminalInputBaud(int fd);

}  // namespace devsim
