// kestrilo-cli upload --all: three simulated devices at 115200 bit/s with the line's real
// rate against one. Prints the wall time of each run, from the start to the last device's
// last address, and the ratio; asserts nothing.
//   1. upload LIST to one device
//   2. upload --all LIST with one device (the cost of the children and the shared encoding)
//   3. upload --all LIST with three devices
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

void Print(const char* What, const Figures& F) {
  std::printf("%-36s %7.2f s wall  %6.2f s CPU (all processes)  status %d\n", What, F.wall, F.cpu, F.status);
}

}  // namespace

int main() {
  const platform::TempDir dir;
  const std::string wav = dir.Path() + "three-seconds.wav", list = dir.Path() + "set.kestrilo";
  fixtures::WriteWav(wav, fixtures::Ramp(3 * 44100));
  lists::SaveList(list, {{wav, 1}});
  std::printf("one 3 s sound (132300 samples), 115200 bit/s, line-rate pacing, 1.5 s erase\n");

  const Figures one = Run(1, {"upload", "--quiet", list});
  Print("upload, one device", one);
  const Figures allOne = Run(1, {"upload", "--all", "--quiet", list});
  Print("upload --all, one device", allOne);
  const Figures three = Run(3, {"upload", "--all", "--quiet", list});
  Print("upload --all, three devices", three);
  std::printf("three devices / one device: %.3f (upload --all with one: %.3f)\n", three.wall / one.wall,
              three.wall / allOne.wall);
  return 0;
}
