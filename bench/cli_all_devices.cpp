// kestrilo-cli upload --all: 1, 4, 8 and 16 simulated devices at 115200 bit/s with the line's
// real rate. Prints the wall time of each run, from the start to the last device's last
// address, its ratio to one device's (goal: at most 1.15 for sixteen), and the CPU of every
// process of the run (the encoder's included, the simulators' not) per MB of samples sent;
// asserts nothing. A plain upload to one device first shows what --all itself costs.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli/ChildPipe.h"
#include "devsim/devsim.h"
#include "lists/SoundListFile.h"
#include "platform/temp_dir.h"
#include "wav_fixture.h"

namespace {

double ChildrenCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Figures {
  double wall = 0, cpu = 0;
  int status = -1;
};

Figures Run(size_t Devices, const std::vector<std::string>& Args) {
  std::vector<std::unique_ptr<devsim::Simulator>> sims;
  std::string ports;
  for (size_t i = 0; i < Devices; ++i) {
    sims.push_back(std::make_unique<devsim::Simulator>(devsim::Options{}));  // line rate, 1.5 s erase
    ports += (i ? ":" : "") + sims.back()->SlavePath();
  }
  setenv("KESTRILO_PORTS", ports.c_str(), 1);
  const double cpu0 = ChildrenCpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  cli::TChildPipe cli(KESTRILO_CLI, Args);
  std::string output;
  cli.Finish(600000, [&](const std::string& Line) { output += Line + "\n"; });
  // The program may end while the terminal still holds bytes the device has not read.
  for (const auto& sim : sims) sim->WaitForLogLine("A input 1 address 1", std::chrono::seconds(60));
  Figures f;
  f.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  f.cpu = ChildrenCpuSeconds() - cpu0;
  f.status = cli.ExitCode();
  if (f.status != 0) std::printf("  exit status %d:\n%s", f.status, output.c_str());
  return f;
}

void Print(const std::string& What, const Figures& F, const Figures& One, double Megabytes) {
  std::printf("%-30s %7.2f s wall  %5.3f of one  %6.2f s CPU  %6.2f s CPU/MB  status %d\n", What.c_str(), F.wall,
              F.wall / One.wall, F.cpu, F.cpu / Megabytes, F.status);
  std::fflush(stdout);
}

}  // namespace

int main() {
  const platform::TTempDir dir;
  const std::string wav = dir.Path() + "three-seconds.wav", list = dir.Path() + "set.kestrilo";
  constexpr size_t kSamples = 3 * 44100;
  fixtures::WriteWav(wav, fixtures::Ramp(kSamples));
  lists::SaveList(list, {{wav, 1}});
  const double mb = kSamples / 1e6;
  std::printf("one 3 s sound (%zu samples), 115200 bit/s, line-rate pacing, 1.5 s erase; CPU of all processes\n",
              kSamples);

  const Figures plain = Run(1, {"upload", "--quiet", list});
  Figures one, f;
  for (const size_t devices : {1, 4, 8, 16}) {
    f = Run(devices, {"upload", "--all", "--quiet", list});
    if (devices == 1) {
      one = f;
      Print("upload, one device", plain, one, mb);
    }
    Print("upload --all, " + std::to_string(devices) + (devices == 1 ? " device" : " devices"), f, one,
          mb * double(devices));
  }
  std::printf("sixteen devices take %.3f of one device's wall time (goal: at most 1.15), %.2f s CPU per MB against "
              "one device's %.2f s\n", f.wall / one.wall, f.cpu / (16 * mb), one.cpu / mb);
  return 0;
}
