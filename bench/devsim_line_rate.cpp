// How fast the simulator takes bytes off the line. The host side writes as fast as the
// pseudo-terminal accepts, so the figure is the simulator's own pacing; with line rate
// on it should be baud/10 bytes per second.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "devsim/devsim.h"
#include "support/pty.h"

using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Result {
  double rate, cpu_share;
};

Result Measure(unsigned baud, bool line_rate, double seconds) {
  devsim::Options o;
  o.baud = baud;
  o.line_rate = line_rate;
  o.erase_ms = 0;
  o.ack_every = 0;         // nothing to read back: the writer only writes
  o.capacity_units = 255;  // 33 MB: no overflow at any of the rates here
  devsim::Simulator sim(o);
  int fd = ::open(sim.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  testpty::MakeRaw(fd, baud);

  std::atomic<bool> stop{false};
  std::thread writer([&] {
    std::vector<unsigned char> chunk(4096, 0x80);
    chunk[0] = 'C';
    chunk[1] = 'D';
    bool first = true;
    while (!stop) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const unsigned char* data = chunk.data() + (first ? 0 : 2);
      std::size_t len = chunk.size() - (first ? 0 : 2);
      if (::write(fd, data, len) > 0) first = false;
    }
  });
  // Skip the start, while the pty's buffers fill.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto t0 = Clock::now();
  const auto b0 = sim.BytesReceived();
  const double c0 = CpuSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const auto t1 = Clock::now();
  const auto b1 = sim.BytesReceived();
  const double c1 = CpuSeconds();
  stop = true;
  writer.join();
  ::close(fd);
  const double dt = std::chrono::duration<double>(t1 - t0).count();
  return {double(b1 - b0) / dt, (c1 - c0) / dt};
}

}  // namespace

int main() {
  std::printf("kestrilo-devsim line pacing (host writes as fast as the pty takes)\n");
  for (unsigned baud : {115200u, 57600u, 9600u}) {
    const double expected = baud / 10.0;
    Result r = Measure(baud, true, baud == 9600 ? 5.0 : 10.0);
    std::printf("  %6u bit/s, line rate on : %9.1f B/s accepted, %+.2f %% from %.0f B/s; process CPU %.1f %% of a core\n",
                baud, r.rate, (r.rate / expected - 1) * 100, expected, r.cpu_share * 100);
  }
  Result fast = Measure(115200, false, 3.0);
  std::printf("  115200 bit/s, line rate off: %9.1f B/s accepted; process CPU %.1f %% of a core\n", fast.rate,
              fast.cpu_share * 100);
  return 0;
}
