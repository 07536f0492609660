// Serial port figures on a pseudo-terminal: CPU share of an open port that has nothing to do
// (and one that has unread bytes queued), and the time of one 1-byte Write.
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "serial/CPort.h"
#include "support/pty.h"
#include "toolkit/synchronize.h"

namespace {

double CpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// CPU share of one core used by the whole process while the UI side pumps every PumpMs.
double CpuShare(int Seconds, int PumpMs) {
  const double cpu0 = CpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  const auto end = t0 + std::chrono::seconds(Seconds);
  while (std::chrono::steady_clock::now() < end) {
    CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(PumpMs));
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return (CpuSeconds() - cpu0) / wall * 100.0;
}

}  // namespace

int main() {
  testpty::Pty pty;
  std::printf("the UI side's own pumping (every 20 ms, no port), 5 s: %.3f %% of a core\n", CpuShare(5, 20));
  {
    TComPort port;
    port.SetPort(pty.Path());
    port.SetBaudRate(br115200);
    int events = 0;
    port.OnRxChar = [&](TCustomComPort*, int) { ++events; };  // reads nothing
    port.Open();
    const double idle = CpuShare(5, 20);
    std::printf("idle open port (all events watched), 5 s: %.3f %% of a core\n", idle);
    if (::write(pty.Master(), "unread", 6) != 6) return 1;
    CpuShare(0, 1);
    const double unread = CpuShare(5, 20);
    std::printf("open port with 6 unread bytes, 5 s:       %.3f %% of a core (%d OnRxChar)\n", unread, events);
  }

  TComPort port;
  port.SetPort(pty.Path());
  port.SetBaudRate(br115200);
  port.Open();
  std::atomic<bool> stop{false};
  std::thread drain([&] {  // the device takes every byte at once
    char buf[4096];
    while (!stop) {
      pollfd p{pty.Master(), POLLIN, 0};
      if (::poll(&p, 1, 20) > 0) [[maybe_unused]] ssize_t n = ::read(pty.Master(), buf, sizeof buf);
    }
  });
  constexpr int kWrites = 5000;
  std::vector<double> us;
  us.reserve(kWrites);
  int written = 0;
  for (int i = 0; i < kWrites; ++i) {
    const char b = static_cast<char>(i);
    const auto t0 = std::chrono::steady_clock::now();
    written += port.Write(&b, 1);
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    CheckSynchronize();  // as the application pumps after every byte
  }
  stop = true;
  drain.join();
  std::sort(us.begin(), us.end());
  std::printf("1-byte Write on a pseudo-terminal (%d writes, %d bytes): median %.1f us, p99 %.1f us, max %.1f us\n",
              kWrites, written, us[us.size() / 2], us[us.size() * 99 / 100], us.back());
  return 0;
}
