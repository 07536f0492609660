// upload --all: a port another program holds, Ctrl+C after the end and twice, non-UTF-8 names.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli/Manifest.h"
#include "cli_run.h"
#include "support/pty.h"

namespace {

using namespace std::chrono_literals;
using nlohmann::json;

// The --all children of the run whose temporary folders are under Tmp.
std::vector<pid_t> ChildrenOf(const std::string& Tmp) {
  std::vector<pid_t> pids;
  for (const auto& p : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(p.path() / "cmdline", std::ios::binary);
    const std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (args.find(std::string("--prepared") + '\0' + Tmp) != std::string::npos)
      pids.push_back(pid_t(std::stoi(p.path().filename().string())));
  }
  return pids;
}

// A line of /proc/PID/status: its state, or the signals pending for the whole process.
std::string Status(pid_t Pid, const std::string& Key) {
  std::ifstream in("/proc/" + std::to_string(Pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(Key + ":", 0) == 0) return line.substr(Key.size() + 1);
  return "";
}
bool Stopped(pid_t Pid) { return Status(Pid, "State").find('T') != std::string::npos; }
bool HasPending(pid_t Pid, int Signal) {
  const std::string set = Status(Pid, "ShdPnd");
  return !set.empty() && (std::stoull(set, nullptr, 16) >> (Signal - 1)) & 1;
}

bool WaitFor(const std::function<bool()>& Done) {
  const auto end = std::chrono::steady_clock::now() + 30s;
  while (!Done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(10ms);
  return Done();
}

// A held port is listed with its reason; a name that is not UTF-8 reaches the children exactly.
TEST(CliAll, APortInUseIsListedWithItsReasonAndOddNamesPass) {
  cli::TManifest m;
  m.Files = {"/tmp/\xff\xfe sound\x1b.wav"};
  m.Sounds = {{"/tmp/samples-\x80.raw", 1234, 2040}};
  clitest::TCliRig rig;
  cli::WriteManifest(rig.Path("prepared.json"), m);
  const cli::TManifest back = cli::ReadManifest(rig.Path("prepared.json"));
  EXPECT_EQ(back.Files, m.Files);
  ASSERT_EQ(back.Sounds.size(), 1u);
  EXPECT_EQ(back.Sounds[0].SampleFile, m.Sounds[0].SampleFile);
  EXPECT_EQ(back.Sounds[0].EncodedSize, 1234);

  devsim::Simulator free(clitest::QuickDevice()), held(clitest::QuickDevice());
  testpty::HostEnd holder(held.SlavePath(), 115200, true);
  rig.Ports(free.SlavePath() + ":" + held.SlavePath());
  const std::vector<uint8_t> samples = fixtures::Ramp(400);
  const clitest::TCliRun run = rig.Run({"upload", "--all", rig.Wav("\xff\xfe.wav", samples)});

  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.Says("\n" + held.SlavePath() + " ")) << "a row of the table\n" << run.output;
  EXPECT_TRUE(run.Says("\n" + held.SlavePath() + ": " + held.SlavePath() + " is in use by another program (")) << run.output;
  ASSERT_TRUE(free.WaitForLogLine("A input 1 address 1", 30s));
  EXPECT_EQ(free.Sounds(), std::vector<std::vector<uint8_t>>{fixtures::OnTheWire(samples)});
  EXPECT_EQ(held.BytesReceived(), 0u);
  EXPECT_FALSE(run.Says("\n" + free.SlavePath() + ": ")) << "the odd name failed nothing\n" << run.output;
}

TEST(CliAll, CtrlCAfterEveryDeviceCompletedCancelsNothing) {
  clitest::TCliRig rig;
  devsim::Simulator device(clitest::QuickDevice());
  devsim::Options silent = clitest::QuickDevice();
  silent.silent = true;  // still searched after the device is done
  devsim::Simulator nothing(silent);
  rig.Ports(device.SlavePath() + ":" + nothing.SlavePath());

  bool interrupted = false;
  const clitest::TCliRun run = rig.Run({"upload", "--all", "--json", rig.Wav("a.wav", fixtures::Ramp(500))}, 60000,
                                       [&](cli::TChildPipe& Cli, const std::string& Line) {
                                         const json e = json::parse(Line, nullptr, false);
                                         if (!interrupted && e.is_object() && e.value("outcome", "") == "Completed") {
                                           Cli.Interrupt();
                                           interrupted = true;
                                         }
                                       });

  ASSERT_TRUE(interrupted) << run.output;
  json search;
  for (const json& e : run.Of("outcome"))
    if (e.value("port", "") == nothing.SlavePath()) search = e;
  ASSERT_EQ(search.value("outcome", ""), "Cancelled") << "the Ctrl+C came while the run went on\n" << run.output;
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.Of("outcome").back()["devices"].size(), 1u);  // a search that was stopped found no device
  EXPECT_FALSE(rig.TempLeftovers());
}

TEST(CliAll, ASecondCtrlCEndsChildrenThatDoNotEnd) {
  clitest::TCliRig rig;
  devsim::Options o = clitest::QuickDevice();
  o.line_rate = true;
  devsim::Simulator a(o), b(o);
  rig.Ports(a.SlavePath() + ":" + b.SlavePath());
  const std::string wav = rig.Wav("long.wav", fixtures::Ramp(3 * 44100));

  std::vector<pid_t> children;
  const clitest::TCliRun run = rig.Run(
      {"upload", "--all", "--json", wav}, 30000, [&](cli::TChildPipe& Cli, const std::string&) {
        if (!children.empty() || a.BytesReceived() < 5000 || b.BytesReceived() < 5000) return;
        children = ChildrenOf(rig.Path("tmp"));
        ASSERT_EQ(children.size(), 2u);
        for (const pid_t c : children) ::kill(c, SIGSTOP);  // they cannot act on the first Ctrl+C
        ASSERT_TRUE(WaitFor([&] { return Stopped(children[0]) && Stopped(children[1]); }));
        Cli.Interrupt();
        // Handed on (it waits in the stopped children) before the second comes.
        EXPECT_TRUE(WaitFor([&] { return HasPending(children[0], SIGINT) && HasPending(children[1], SIGINT); }));
        Cli.Interrupt();
      });
  for (const pid_t c : children) ::kill(c, SIGKILL);  // none left behind if the run failed

  ASSERT_EQ(children.size(), 2u) << run.output;
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_EQ(run.status, 130) << run.output;
  const json table = run.Of("outcome").back();
  ASSERT_EQ(table["devices"].size(), 2u) << run.output;
  for (const json& d : table["devices"]) EXPECT_EQ(d["outcome"], "Cancelled");
  EXPECT_FALSE(rig.TempLeftovers()) << "the killed children's folders are removed";
}

}  // namespace
