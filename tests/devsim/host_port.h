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

  int Write(const Bytes& bytes) {
    return HostEnd::Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  int Write(const std::string& s) { return HostEnd::Write(s); }
  // Reads until n bytes have come or the time has run out.
  Bytes Read(std::size_t n, std::chrono::milliseconds timeout) { return ToBytes(HostEnd::Read(n, timeout)); }
  // Everything that arrives during the given time.
  Bytes ReadFor(std::chrono::milliseconds time) { return Read(SIZE_MAX, time); }

 private:
  static Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
};

}  // namespace devsim_test
