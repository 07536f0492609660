#pragma once
// The host's side of a simulator, in the byte vectors of the simulator's interface.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/pty.h"

namespace devsim_test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

inline Bytes B(std::initializer_list<int> v) {
  Bytes out;
  for (int x : v) out.push_back(std::uint8_t(x));
  return out;
}

class HostPort : public testpty::HostEnd {
 public:
  using HostEnd::HostEnd;

  // Writes everything; on a non-blocking port a full line returns EAGAIN instead of waiting.
  int Write(const Bytes& bytes) { return Write(std::string(bytes.begin(), bytes.end())); }
  int Write(const std::string& s) {
    std::size_t done = 0;
    while (done < s.size()) {
      const ssize_t n = ::write(Fd(), s.data() + done, s.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      done += std::size_t(n);
    }
    return 0;
  }
  // Reads until n bytes have come or the time has run out.
  Bytes Read(std::size_t n, std::chrono::milliseconds timeout) { return ToBytes(HostEnd::Read(n, timeout)); }
  // Everything that arrives during the given time.
  Bytes ReadFor(std::chrono::milliseconds time) { return Read(SIZE_MAX, time); }

 private:
  static Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
};

}  // namespace devsim_test
