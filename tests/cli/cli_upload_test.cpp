// Uploads through kestrilo-cli: byte-exact and in the window's session, to three devices at
// once, and stopped by Ctrl+C.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "cli_run.h"
#include "device/Engine.h"
#include "devsim/devsim.h"
#include "lists/SoundListFile.h"
#include "recording_front_end.h"

namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using Strings = std::vector<std::string>;

// Two sounds (0x00 among their samples) in a list file, inputs 1 and 2 at 2040 and 5.
struct TwoSounds {
  explicit TwoSounds(const clitest::TCliRig& Rig)
      : rows{{Rig.Wav("a.wav", a), 2040}, {Rig.Wav("b b.wav", b), 5}}, list(Rig.Path("set.kestrilo")) {
    lists::SaveList(list, {{rows[0].FileName, 2040}, {rows[1].FileName, 5}});
  }
  void ExpectOn(const devsim::Simulator& Sim) const {
    ASSERT_TRUE(Sim.WaitForLogLine("A input 2 address 5", 30s));
    EXPECT_EQ(Sim.Sounds(), (std::vector<std::vector<uint8_t>>{fixtures::OnTheWire(a), fixtures::OnTheWire(b)}));
    EXPECT_EQ(Sim.Addresses(), (std::vector<devsim::AddressCommand>{{1, 2040}, {2, 5}}));
  }
  const std::vector<uint8_t> a = fixtures::Ramp(600), b = fixtures::Ramp(301, 3);
  const std::vector<TUploadRow> rows;
  const std::string list;
};

Strings Texts(const std::vector<json>& Events, const char* Key) {
  Strings out;
  for (const json& e : Events) out.push_back(e.value(Key, ""));
  return out;
}

TEST(CliUpload, ListReachesTheDeviceByteExactInTheWindowsSession) {
  clitest::TCliRig rig;
  const TwoSounds sounds(rig);
  devsim::Simulator byEngine(clitest::QuickDevice()), byCli(clitest::QuickDevice());
  TRecordingFrontEnd ui;
  {
    TScopedPorts ports(byEngine.SlavePath());
    TDeviceEngine engine(ui);
    ASSERT_EQ(engine.Upload(sounds.rows), TUploadOutcome::Completed);
  }
  rig.Ports(byCli.SlavePath());

  const clitest::TCliRun run = rig.Run({"upload", "--json", sounds.list});

  EXPECT_EQ(run.status, 0) << run.output;
  sounds.ExpectOn(byCli);
  ASSERT_TRUE(byEngine.WaitForLogLine("A input 2 address 5", 30s));
  EXPECT_EQ(byCli.Log(), byEngine.Log());
  // The window's phases, as the engine showed them, and every row through its states.
  Strings phases;
  for (const auto& e : ui.Events)
    if (e.rfind("panel1 ", 0) == 0 && e != "panel1 %" && e != "panel1 ") phases.push_back(e.substr(7));
  EXPECT_EQ(Texts(run.Of("phase"), "text"), phases);
  EXPECT_EQ(Texts(run.Of("row"), "state"),
            (Strings{"Encoding", "Encoded", "Encoding", "Encoded", "Uploading", "Done", "Uploading", "Done"}));
  const json last = run.Of("progress").back();
  EXPECT_EQ(last["bytes"], 901);
  EXPECT_EQ(last["total"], 901);
  const json outcome = run.Of("outcome").at(0);
  EXPECT_EQ(outcome["outcome"], "Completed");
  EXPECT_EQ(outcome["text"], "Upload completed!");
  EXPECT_EQ(outcome["port"], byCli.SlavePath());
  EXPECT_FALSE(rig.TempLeftovers());
}

TEST(CliUpload, FilesWithAddressesPrintTheEngineTextsAsTheyAre) {
  clitest::TCliRig rig;
  const TwoSounds sounds(rig);
  devsim::Simulator sim(clitest::QuickDevice());
  rig.Ports(sim.SlavePath());
  EXPECT_EQ(rig.Run({"--version"}).output, "kestrilo-cli " KESTRILO_VERSION "\n");

  const clitest::TCliRun search = rig.Run({"search"});
  EXPECT_EQ(search.status, 0);
  EXPECT_TRUE(search.Says("Vorel-30415 Sound Player found on " + sim.SlavePath() + " (4 MB / 95 sec)\n"));
  EXPECT_EQ(rig.Run({"--quiet", "search"}).output,
            "Vorel-30415 Sound Player found on " + sim.SlavePath() + " (4 MB / 95 sec)\n");
  const clitest::TCliRun run = rig.Run({"upload", sounds.rows[0].FileName + "@2040", sounds.rows[1].FileName + "@5"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.Says("\nUpload completed!\n")) << run.output;
  EXPECT_TRUE(run.Says("\n2/2 b b.wav: Done\n")) << run.output;
  sounds.ExpectOn(sim);
}

TEST(CliUpload, PortOptionProbesThatPortAlone) {
  clitest::TCliRig rig;
  devsim::Simulator first(clitest::QuickDevice()), second(clitest::QuickDevice());
  rig.Ports(first.SlavePath() + ":" + second.SlavePath());
  const clitest::TCliRun run = rig.Run({"play", "3", "--port", second.SlavePath()});
  EXPECT_EQ(run.status, 0) << run.output;
  ASSERT_TRUE(second.WaitForLogLine("play 3", std::chrono::seconds(30)));
  EXPECT_TRUE(first.Log().empty());
}

TEST(CliUpload, CtrlCMidStreamCancelsThroughTheCleanUp) {
  clitest::TCliRig rig;
  devsim::Options o = clitest::QuickDevice();
  o.line_rate = true;  // 3 s of sound take a good 10 s on the line
  devsim::Simulator sim(o);
  rig.Ports(sim.SlavePath());
  const std::string wav = rig.Wav("long.wav", fixtures::Ramp(3 * 44100));

  bool interrupted = false;
  const clitest::TCliRun run = rig.Run({"upload", "--json", wav}, 30000, [&](cli::TChildPipe& Cli, const std::string&) {
    if (!interrupted && sim.BytesReceived() > 5000) {
      Cli.Interrupt();
      interrupted = true;
    }
  });

  ASSERT_TRUE(interrupted);
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_TRUE(run.exited) << "ended by the signal, not through main";
  EXPECT_EQ(run.status, 130);
  EXPECT_EQ(run.Of("outcome").at(0)["outcome"], "Cancelled");
  EXPECT_FALSE(rig.TempLeftovers());
  EXPECT_LT(sim.BytesReceived(), 3u * 44100u);
}

TEST(CliUpload, CtrlCStopsEveryDeviceOfAnAllRun) {
  clitest::TCliRig rig;
  devsim::Options o = clitest::QuickDevice();
  o.line_rate = true;
  devsim::Simulator a(o), b(o);
  rig.Ports(a.SlavePath() + ":" + b.SlavePath());
  lists::SaveList(rig.Path("long.kestrilo"), {{rig.Wav("long.wav", fixtures::Ramp(3 * 44100)), 1}});

  bool interrupted = false;
  const clitest::TCliRun run = rig.Run({"upload", "--all", "--json", rig.Path("long.kestrilo")}, 30000,
                                       [&](cli::TChildPipe& Cli, const std::string&) {
                                         if (!interrupted && a.BytesReceived() > 5000 && b.BytesReceived() > 5000) {
                                           Cli.Interrupt();
                                           interrupted = true;
                                         }
                                       });

  ASSERT_TRUE(interrupted);
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.status, 130);
  const json table = run.Of("outcome").back();
  ASSERT_EQ(table["devices"].size(), 2u) << run.output;
  for (const json& device : table["devices"]) EXPECT_EQ(device["outcome"], "Cancelled");
  EXPECT_FALSE(rig.TempLeftovers());
}

// Relative names as a user types them in a folder.
struct TScopedFolder {
  std::filesystem::path old = std::filesystem::current_path();
  explicit TScopedFolder(const std::string& Folder) { std::filesystem::current_path(Folder); }
  ~TScopedFolder() { std::filesystem::current_path(old); }
};

TEST(CliUpload, NamesThatLookLikeProtocolsAreTheFilesTheyName) {
  clitest::TCliRig rig;
  devsim::Simulator sim(clitest::QuickDevice());
  rig.Ports(sim.SlavePath());
  // A listener that never accepts: a connection to it would hang the encoder.
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in address{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
  socklen_t size = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 8), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
  const std::string tcp = "tcp:127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  const auto a = fixtures::Ramp(500), b = fixtures::Ramp(301, 3);
  rig.Wav("12:30.wav", a);
  rig.Wav(tcp, b);
  const clitest::TCliRun run = [&] {
    TScopedFolder here(rig.Path(""));
    return rig.Run({"upload", "12:30.wav", tcp}, 60000);
  }();

  EXPECT_EQ(run.status, 0) << run.output;
  ASSERT_TRUE(sim.WaitIdle(30s));
  EXPECT_EQ(sim.Sounds(), (std::vector<std::vector<uint8_t>>{fixtures::OnTheWire(a), fixtures::OnTheWire(b)}));
  EXPECT_LT(::accept(listener, nullptr, nullptr), 0) << "the encoder connected to " << tcp;
  ::close(listener);
}

// The real ffmpeg at its input's native rate, first in PATH; its pid goes to the file returned.
std::string SlowEncoderIn(const std::string& Folder) {
  std::filesystem::create_directories(Folder);
  std::ofstream(Folder + "/ffmpeg") << "#!/bin/sh\necho $$ > \"$0.started\"\nPATH=\"${PATH#*:}\" exec ffmpeg -re \"$@\"\n";
  ::chmod((Folder + "/ffmpeg").c_str(), 0755);
  return Folder + "/ffmpeg.started";
}

TEST(CliUpload, CtrlCWhileTheEncoderRunsIsACancelNotAConversionError) {
  clitest::TCliRig rig;
  devsim::Simulator sim(clitest::QuickDevice());
  rig.Ports(sim.SlavePath());
  const std::string wav = rig.Wav("five.wav", fixtures::Ramp(5 * 44100));
  const std::string started = SlowEncoderIn(rig.Path("bin"));
  const std::string path = std::getenv("PATH");
  setenv("PATH", (rig.Path("bin") + ":" + path).c_str(), 1);

  // Its own process group, as a shell starts a job: Ctrl+C goes to the whole group.
  platform::TChildProcess cli(KESTRILO_CLI, {"upload", wav},
                             {.Piped = platform::TPipedStreams::OutputAndError, .LookUpInPath = false, .OwnGroup = true});
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!std::filesystem::exists(started) && std::chrono::steady_clock::now() < deadline) cli.Running(20);
  setenv("PATH", path.c_str(), 1);
  ASSERT_TRUE(std::filesystem::exists(started)) << cli.Outcome().ErrorOutput;
  pid_t encoder = 0;
  while (encoder == 0 && std::chrono::steady_clock::now() < deadline) std::ifstream(started) >> encoder;
  EXPECT_EQ(::getpgid(encoder), encoder) << "the encoder is in the group Ctrl+C reaches";
  const auto interrupted = std::chrono::steady_clock::now();
  cli.Interrupt();
  while (cli.Running(50) && std::chrono::steady_clock::now() < interrupted + 60s) continue;

  EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 1s);
  const platform::TProcessOutcome& o = cli.Outcome();
  EXPECT_TRUE(o.Exited);
  EXPECT_EQ(o.ExitCode, 130) << o.ErrorOutput;
  EXPECT_NE(o.ErrorOutput.find("Upload cancelled.\nThe device keeps its old sounds."), std::string::npos) << o.ErrorOutput;
  EXPECT_EQ(o.ErrorOutput.find("Cannot convert"), std::string::npos) << o.ErrorOutput;
  ASSERT_TRUE(sim.WaitIdle(30s));
  EXPECT_EQ(sim.Log(), (std::vector<std::string>{"V", "reply 38 20 07"})) << "erased";
  EXPECT_FALSE(rig.TempLeftovers());
}

TEST(CliUpload, AllDevicesAtOnceOneFailingMidStream) {
  clitest::TCliRig rig;
  const TwoSounds sounds(rig);
  const std::vector<uint8_t> longer = fixtures::Ramp(3 * 44100);
  lists::SaveList(sounds.list, {{sounds.rows[0].FileName, 2040}, {sounds.rows[1].FileName, 5},
                                {rig.Wav("long.wav", longer), 7}});
  devsim::Options failing = clitest::QuickDevice();
  failing.hangup_after = 300;
  // More than a pseudo-terminal holds, read at the line's rate: not all written before the hang-up.
  failing.line_rate = true;
  std::vector<std::unique_ptr<devsim::Simulator>> sims;
  for (const auto& o : {clitest::QuickDevice(), failing, clitest::QuickDevice()})
    sims.push_back(std::make_unique<devsim::Simulator>(o));
  rig.Ports(sims[0]->SlavePath() + ":" + sims[1]->SlavePath() + ":" + sims[2]->SlavePath());

  const clitest::TCliRun run = rig.Run({"upload", "--all", "--json", sounds.list});

  const json table = run.Of("outcome").back();
  ASSERT_EQ(table["devices"].size(), 3u) << run.output;
  for (const int i : {0, 2}) {
    const devsim::Simulator& sim = *sims[size_t(i)];
    EXPECT_EQ(table["devices"][i]["port"], sim.SlavePath());
    EXPECT_EQ(table["devices"][i]["outcome"], "Completed");
    ASSERT_TRUE(sim.WaitForLogLine("A input 3 address 7", 30s));
    EXPECT_EQ(sim.Sounds(), (std::vector<std::vector<uint8_t>>{fixtures::OnTheWire(sounds.a), fixtures::OnTheWire(sounds.b),
                                                               fixtures::OnTheWire(longer)}));
    EXPECT_EQ(sim.Addresses(), (std::vector<devsim::AddressCommand>{{1, 2040}, {2, 5}, {3, 7}}));
  }
  // Lost or stopped, never an error: 8 would also be a child that crashed.
  const int failed = table["devices"][1]["status"];
  EXPECT_EQ(failed, 7) << table.dump();
  EXPECT_TRUE(table["devices"][1]["outcome"] == "DeviceLost" || table["devices"][1]["outcome"] == "DeviceStopped")
      << table.dump();
  EXPECT_EQ(run.status, failed);
  EXPECT_TRUE(sims[1]->HungUp());
  // Encoded once, by the parent: its events carry no port.
  int encodings = 0;
  for (const json& e : run.Of("row")) encodings += e.value("state", "") == "Encoding";
  EXPECT_EQ(encodings, 3);
  for (const json& e : run.Of("row"))
    EXPECT_EQ(e.contains("port"), e.value("state", "") != "Encoding" && e.value("state", "") != "Encoded");
  EXPECT_FALSE(rig.TempLeftovers());
}

}  // namespace
