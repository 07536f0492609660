// Each way kestrilo-cli can fail gives its own exit status and says why; it links no Qt.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "cli_run.h"
#include "devsim/devsim.h"
#include "support/pty.h"

namespace {

using namespace std::chrono_literals;

void WriteText(const std::string& Path, const std::string& Text) {
  std::FILE* f = std::fopen(Path.c_str(), "wb");
  std::fputs(Text.c_str(), f);
  std::fclose(f);
}

struct TFault {
  const char* name;
  devsim::Options device;
  std::vector<std::string> args;  // "WAV" stands for a good sound
  int status;
  std::string says;
};

TEST(CliExitStatus, EachFaultGivesItsStatusAndItsReason) {
  clitest::TCliRig rig;
  const std::string wav = rig.Wav("a.wav", fixtures::Ramp(500));
  WriteText(rig.Path("junk.mp3"), "not audio");
  WriteText(rig.Path("empty.kestrilo"), R"({"format": "kestrilo-sound-list", "version": 1, "sounds": []})");
  WriteText(rig.Path("broken.kestrilo"), "{");
  devsim::Options silent = clitest::QuickDevice(), small = clitest::QuickDevice(), mute = clitest::QuickDevice();
  silent.silent = true;
  small.capacity_units = 0;
  mute.no_erase_reply = true;
  const TFault faults[] = {
      {"no device",
       silent,
       {"upload", "WAV"},
       1,
       "No device found! Please check the USB connection and search again!\n"},
      {"search, no device", silent, {"search"}, 1, "No device found\n"},
      {"play, no device", silent, {"play", "2"}, 1, "No device found\n"},
      {"empty list", clitest::QuickDevice(), {"upload", rig.Path("empty.kestrilo")}, 3, "No file!\n"},
      {"conversion",
       clitest::QuickDevice(),
       {"upload", "WAV", rig.Path("junk.mp3")},
       4,
       "Cannot convert \"" + rig.Path("junk.mp3")},
      {"too large", small, {"upload", "WAV"}, 5, "The files total length larger than device memory!\n"},
      {"erase", mute, {"upload", "--erase-wait-ms", "400", "WAV"}, 6, "Timeout error!\n"},
      {"broken list", clitest::QuickDevice(), {"upload", rig.Path("broken.kestrilo")}, 8, rig.Path("broken.kestrilo")},
  };
  for (const TFault& f : faults) {
    SCOPED_TRACE(f.name);
    devsim::Simulator sim(f.device);
    rig.Ports(sim.SlavePath());
    std::vector<std::string> args = f.args;
    for (auto& a : args)
      if (a == "WAV") a = wav;
    const clitest::TCliRun run = rig.Run(args);
    EXPECT_EQ(run.status, f.status) << run.output;
    EXPECT_TRUE(run.Says(f.says)) << run.output;
    const auto log = sim.Log();
    if (f.status != 6) {  // the erase answered otherwise (9) has a test of its own
      EXPECT_EQ(std::count(log.begin(), log.end(), "C"), 0) << "erased";
    }
  }
  EXPECT_FALSE(rig.TempLeftovers());
}

// Answers the search as the player does, and the erase with a byte the player never sends.
struct TOddEraseDevice {
  testpty::Pty pty;
  std::atomic<bool> stop{false};
  std::thread thread{[this] {
    while (!stop)
      for (const char c : pty.Receive(1, 20ms)) pty.Send(c == 'V' ? std::string("8\x20\x07", 3) : c == 'C' ? "?" : "");
  }};
  ~TOddEraseDevice() {
    stop = true;
    thread.join();
  }
};

TEST(CliExitStatus, AnEraseAnsweredWithOtherDataGivesStatus9AndMayHaveErased) {
  clitest::TCliRig rig;
  TOddEraseDevice odd;
  rig.Ports(odd.pty.Path());
  const clitest::TCliRun run = rig.Run({"upload", rig.Wav("a.wav", fixtures::Ramp(100))});
  EXPECT_EQ(run.status, 9) << run.output;
  EXPECT_TRUE(run.Says("answered the erase with data the sound player never sends; it may be another device.\n"
                       "The device may have been erased; it then needs a new upload.\n"))
      << run.output;
  EXPECT_FALSE(run.Says("holds no sounds now")) << run.output;
  EXPECT_FALSE(rig.TempLeftovers());
}

TEST(CliText, ControlCharactersOfNamesAreEscaped) {
  clitest::TCliRig rig;
  devsim::Simulator sim(clitest::QuickDevice());
  rig.Ports(sim.SlavePath());
  const std::string wav = rig.Wav("x\x1b[2J\ry\nz.wav", fixtures::Ramp(200));
  const std::string junk = rig.Path("bad\r\x1b[1A.mp3");
  WriteText(junk, "not audio");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"upload", wav, junk}, {"upload", "--all", wav, junk}, {"upload", "--all", wav}}) {
    const clitest::TCliRun run = rig.Run(args);
    EXPECT_EQ(run.output.find_first_of("\x1b\r"), std::string::npos) << run.output;
    EXPECT_TRUE(run.Says("1/2 x\\x1B[2J\\ry\\nz.wav: ") || run.Says("1/1 x\\x1B[2J\\ry\\nz.wav: ")) << run.output;
    if (args.back() == junk) {
      EXPECT_EQ(run.status, 4);
      EXPECT_TRUE(run.Says("bad\\r\\x1B[1A.mp3\"")) << run.output;
    }
  }
  ASSERT_TRUE(sim.WaitForLogLine("A input 1 address 1", 30s));
  EXPECT_EQ(sim.Sounds().size(), 1u);
}

TEST(CliExitStatus, BadArgumentsGetOneLineAndTheUsage) {
  clitest::TCliRig rig;
  const std::vector<std::vector<std::string>> bad = {{},
                                                     {"frobnicate"},
                                                     {"play", "5"},
                                                     {"upload"},
                                                     {"upload", "a.wav@2041"},
                                                     {"--nope"},
                                                     {"search", "--all"},
                                                     {"--quiet", "--json", "search"},
                                                     {"upload", "--port"},
                                                     {"upload", "--all", "--port", "/dev/null", "a.wav"},
                                                     {"upload", "a.kestrilo", "b.wav"}};
  for (const auto& args : bad) {
    const clitest::TCliRun run = rig.Run(args);
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_EQ(run.output.rfind("kestrilo-cli: ", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("\nUsage: kestrilo-cli"), std::string::npos) << run.output;
  }
  const clitest::TCliRun help = rig.Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("Usage: kestrilo-cli", 0), 0u);
}

TEST(CliExitStatus, LostOrStalledDeviceGivesStatus7) {
  clitest::TCliRig rig;
  // More than a pseudo-terminal holds, read at the line's rate: not all written before the fault.
  const std::string wav = rig.Wav("a.wav", fixtures::Ramp(3 * 44100));
  devsim::Options lost = clitest::QuickDevice(), stalled = clitest::QuickDevice();
  lost.hangup_after = stalled.stall_after = 500;
  lost.line_rate = stalled.line_rate = true;
  for (const devsim::Options& o : {lost, stalled}) {
    devsim::Simulator sim(o);
    rig.Ports(sim.SlavePath());
    const clitest::TCliRun run = rig.Run({"upload", wav}, 60000);
    ASSERT_TRUE(run.ended) << run.output;
    EXPECT_FALSE(rig.TempLeftovers());
    EXPECT_EQ(run.status, 7) << run.output;
    EXPECT_FALSE(run.Says("Upload completed!"));
    EXPECT_TRUE(run.Says("The device now holds only part of the sounds and needs a new upload.")) << run.output;
  }
}

// A device that hangs while its port drains the line (a USB bridge) is stopped within 10 s of
// the data's start; one that acknowledges late but steadily completes.
struct TLivenessCase {
  unsigned baud;
  long long hang_after;  // -1: acknowledges 400 ms late instead
  size_t samples;
};

// One case a test, so that the slow line-rate cases run side by side.
class CliLiveness : public ::testing::TestWithParam<TLivenessCase> {};

TEST_P(CliLiveness, AHungDeviceGivesStatus7AndALateOneCompletes) {
  using Clock = std::chrono::steady_clock;
  clitest::TCliRig rig;
  const TLivenessCase c = GetParam();
  SCOPED_TRACE(std::to_string(c.baud) + " " + std::to_string(c.hang_after));
  const auto samples = fixtures::Ramp(c.samples);
  devsim::Options o = clitest::QuickDevice();
  o.line_rate = true;
  o.baud = c.baud;
  o.hang_after = c.hang_after;
  if (c.hang_after < 0) o.ack_delay_ms = 400;
  devsim::Simulator sim(o);
  rig.Ports(sim.SlavePath());
  Clock::time_point data_start{};
  const auto seeDataStart = [&](cli::TChildPipe&, const std::string& Line) {
    if (Line.find("\"Uploading data...\"") != std::string::npos) data_start = Clock::now();
  };
  const clitest::TCliRun run = rig.Run({"upload", "--json", rig.Wav("long.wav", samples)}, 120000, seeDataStart);
  const auto end = Clock::now();
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_FALSE(rig.TempLeftovers());
  EXPECT_EQ(run.Of("row").back()["state"], c.hang_after < 0 ? "Done" : "Failed");
  if (c.hang_after < 0) {
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(run.Says("Upload completed!")) << run.output;
    ASSERT_TRUE(sim.WaitIdle(60s));
    EXPECT_EQ(sim.Sounds(), std::vector<std::vector<uint8_t>>{fixtures::OnTheWire(samples)});
    return;
  }
  EXPECT_EQ(run.status, 7) << run.output;
  EXPECT_LT(end - data_start, 10s);
  EXPECT_FALSE(run.Says("Upload completed!")) << run.output;
  ASSERT_EQ(run.Of("message").size(), 1u) << run.output;
  EXPECT_EQ(run.Of("message")[0]["text"], "The device stopped accepting data on " + sim.SlavePath() +
                                              ".\nThe device now holds only part of the sounds and needs a new upload.");
  EXPECT_EQ(run.Of("outcome").at(0)["outcome"], "DeviceStopped");
}

INSTANTIATE_TEST_SUITE_P(Cases, CliLiveness,
                         ::testing::Values(TLivenessCase{115200, 20000, 60000}, TLivenessCase{9600, 1000, 25000},
                                           TLivenessCase{115200, -1, 30000}, TLivenessCase{9600, -1, 3000}));

TEST(CliProgram, LinksNoQtLibrary) {
  std::FILE* p = ::popen("ldd " KESTRILO_CLI, "r");
  ASSERT_NE(p, nullptr);
  std::string libraries;
  char buf[512];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) libraries.append(buf, n);
  EXPECT_EQ(::pclose(p), 0);
  EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
  EXPECT_EQ(libraries.find("libQt"), std::string::npos) << libraries;
}

}  // namespace

// Rows that share a digital address go only with --yes; without it nothing reaches the device.
TEST(CliExitStatus, SharedAddressesNeedYes) {
  clitest::TCliRig rig;
  devsim::Simulator sim(clitest::QuickDevice());
  rig.Ports(sim.SlavePath());
  const std::string a = rig.Wav("a.wav", fixtures::Ramp(300)) + "@5", b = rig.Wav("b.wav", fixtures::Ramp(200)) + "@5";
  const clitest::TCliRun refused = rig.Run({"--json", "upload", a, b});
  EXPECT_EQ(refused.status, 2);
  ASSERT_EQ(refused.Of("message").size(), 1u) << refused.output;
  EXPECT_EQ(refused.Of("message")[0]["lines"][0], (nlohmann::json{{"id", "SharedAddress"}, {"args", {"5"}}}));
  EXPECT_EQ(refused.Of("outcome").at(0)["outcome"], "SharedAddresses");
  EXPECT_TRUE(sim.Log().empty());
  const clitest::TCliRun accepted = rig.Run({"upload", "--yes", a, b});
  EXPECT_EQ(accepted.status, 0) << accepted.output;
  EXPECT_TRUE(sim.WaitForLogLine("A input 2 address 5", std::chrono::seconds(30)));
}
