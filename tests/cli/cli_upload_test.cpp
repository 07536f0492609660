// Uploads through kestrilo-cli: byte-exact and in the window's session, to three devices at
// once, and stopped by Ctrl+C.
#include <gtest/gtest.h>

#include <chrono>
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

TEST(CliUpload, AllDevicesAtOnceOneFailingMidStream) {
  clitest::TCliRig rig;
  const TwoSounds sounds(rig);
  const std::vector<uint8_t> longer = fixtures::Ramp(3 * 44100);
  lists::SaveList(sounds.list, {{sounds.rows[0].FileName, 2040}, {sounds.rows[1].FileName, 5},
                                {rig.Wav("long.wav", longer), 7}});
  devsim::Options failing = clitest::QuickDevice();
  failing.hangup_after = 300;
  // More than a pseudo-terminal holds, read at the line's rate: however late the simulator
  // runs, the host cannot have written every byte before the hang-up.
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
  const int failed = table["devices"][1]["status"];
  EXPECT_TRUE(failed == 7 || failed == 8) << table.dump();
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
