// Prints what the device link's waits cost the UI thread, and how long a search over silent
// ports takes. Runs the real window under the offscreen platform against simulated devices.
#include <QApplication>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devsim/devsim.h"
#include "engine_seam.h"
#include "main/frmMain.h"
#include "platform/ticks.h"
#include "serial/CPort.h"

namespace {

double ThreadCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double WallSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

template <class F>
void ReportCpu(const char* What, F&& Run) {
  const double cpu0 = ThreadCpuSeconds(), wall0 = WallSeconds();
  Run();
  const double cpu = ThreadCpuSeconds() - cpu0, wall = WallSeconds() - wall0;
  std::printf("%-46s wall %7.3f s  UI thread CPU %7.4f s  = %5.2f %% of a core\n", What, wall, cpu,
              100.0 * cpu / wall);
}

devsim::Options SilentSim() {
  devsim::Options o;
  o.silent = true;
  o.line_rate = false;
  return o;
}

std::unique_ptr<TForm1> MakeWindow() {
  auto w = std::make_unique<TForm1>();
  if (!w->Engine) w->CreateDeviceLink();
  return w;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);

  {
    // The waits with the port open, so the event thread is watching the line.
    devsim::Simulator sim(SilentSim());
    auto w = MakeWindow();
    TEngineSeam::ComPort(*w->Engine).SetPort(sim.SlavePath());
    TEngineSeam::ComPort(*w->Engine).Open();
    TEngineSeam::RxBuffer(*w->Engine) = "#";
    ReportCpu("WaitVersionReply(500), no reply", [&] {
      TDeviceInfo info;
      w->WaitVersionReply(500, info);
    });
    ReportCpu("WaitForByte(10000), times out", [&] { w->WaitForByte(10000, '+'); });
    ReportCpu("WaitTicks(1) x 1000", [&] {
      for (int i = 0; i < 1000; ++i) w->WaitTicks(1);
    });
    // What any thread pays here to sleep to each next tick: the floor of the line above.
    ReportCpu("bare sleep to the next tick x 1000", [] {
      for (int i = 0; i < 1000; ++i) std::this_thread::sleep_for(platform::TimeUntilTicks(platform::GetTickCount(), 1));
    });
  }

  for (const int ports : {1, 4, 8}) {
    std::vector<std::unique_ptr<devsim::Simulator>> sims;
    std::string list;
    for (int i = 0; i < ports; ++i) {
      sims.push_back(std::make_unique<devsim::Simulator>(SilentSim()));
      list += (list.empty() ? "" : ":") + sims.back()->SlavePath();
    }
    setenv("KESTRILO_PORTS", list.c_str(), 1);
    auto w = MakeWindow();
    const uint32_t start = platform::GetTickCount();
    const double cpu0 = ThreadCpuSeconds();
    w->Searchdevice1Click(w.get());
    const uint32_t ms = platform::TicksSince(start);
    std::printf("search over %d silent port(s): %6.3f s (%.3f s per port), UI thread CPU %.4f s\n", ports, ms / 1000.0,
                ms / 1000.0 / ports, ThreadCpuSeconds() - cpu0);
  }
  return 0;
}
