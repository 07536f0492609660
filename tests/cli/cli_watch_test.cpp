// upload --all --watch: simulators plugged into a fake device folder one after another.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>

#include "cli/AllDisplay.h"
#include "cli/Arguments.h"
#include "cli_run.h"
#include "fleet/Fleet.h"
#include "fleet/LoadLog.h"
#include "fleet/Sha256.h"
#include "support/fake_sysfs.h"

namespace {

using nlohmann::json;
using namespace std::chrono_literals;

testsys::UsbAdapter Adapter(int N, const std::string& Serial) {
  return {"1-" + std::to_string(N), "0403", "6001", "FTDI", "FT232R", Serial, "ftdi_sio", "ttyUSB" + std::to_string(N)};
}

// One stays plugged in from the start; two come later; a fourth fails, is unplugged and comes
// back under another name, and is loaded again. Ctrl+C then stops watching.
TEST(CliWatch, DevicesAreLoadedAsTheyComeAndAFailedOneAfterItsReplug) {
  testsys::FakeTree tree;
  std::vector<std::unique_ptr<testsys::EnvVar>> env;
  for (const auto& [name, value] : tree.Environment()) env.push_back(std::make_unique<testsys::EnvVar>(name, value));
  clitest::TCliRig rig;
  devsim::Options failing = clitest::QuickDevice();
  failing.hangup_after = 50;
  devsim::Simulator a(clitest::QuickDevice()), b(clitest::QuickDevice()), c(clitest::QuickDevice()), d(failing),
      again(clitest::QuickDevice());
  tree.AddUsb(Adapter(0, "A0"), a.SlavePath());
  const std::string log = rig.Path("loads.jsonl"), dev = tree.dev.string() + "/";

  const std::vector<uint8_t> samples = fixtures::Ramp(400);
  const clitest::TCliRun run = rig.Run(
      {"upload", "--all", "--watch", "--json", "--settle-ms", "200", "--log", log, rig.Wav("a.wav", samples)}, 120000,
      [&](cli::TChildPipe& Cli, const std::string& Line) {
        const json e = json::parse(Line, nullptr, false);
        const std::string event = e.is_object() ? e.value("event", "") : "";
        const std::string port = e.is_object() ? e.value("port", "") : "";
        if (event == "watching") tree.AddUsb(Adapter(1, "B1"), b.SlavePath());
        if (event == "ended" && port == dev + "ttyUSB1") {
          tree.AddUsb(Adapter(2, "C2"), c.SlavePath());
          tree.AddUsb(Adapter(3, "D3"), d.SlavePath());
        }
        if (event == "ended" && port == dev + "ttyUSB3") {
          tree.RemoveTty("ttyUSB3");
          testsys::UsbAdapter moved = Adapter(4, "D3");
          tree.AddUsb(moved, again.SlavePath());
        }
        if (event == "counts" && e["done"] == 4 && e["running"] == 0) Cli.Interrupt();
      });

  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.Of("protocol").empty()) << "the children's greeting is not passed on";
  std::map<std::string, int> attempts;
  for (const json& e : run.Of("attempt")) ++attempts[e["adapter"]["serial_number"].get<std::string>()];
  EXPECT_EQ(attempts, (std::map<std::string, int>{{"A0", 1}, {"B1", 1}, {"C2", 1}, {"D3", 2}})) << run.output;
  const auto ended = run.Of("ended");
  ASSERT_EQ(ended.size(), 5u) << run.output;
  for (const json& e : ended)
    EXPECT_EQ(e["outcome"], e["port"] == dev + "ttyUSB3" ? "DeviceLost" : "Completed") << e.dump();
  ASSERT_EQ(run.Of("unplugged").size(), 1u) << run.output;
  EXPECT_EQ(run.Of("unplugged")[0]["port"], dev + "ttyUSB3");
  EXPECT_EQ(run.Of("stopped-watching").size(), 1u);
  EXPECT_EQ(run.Of("counts").back(), json::parse(R"({"event":"counts","done":4,"failed":0,"running":0})"));
  const json table = run.Of("outcome").back();
  ASSERT_EQ(table["devices"].size(), 4u) << run.output;
  EXPECT_EQ(table["devices"][3]["port"], dev + "ttyUSB4");
  EXPECT_EQ(table["devices"][3]["attempts"], 2);
  for (devsim::Simulator* s : {&a, &b, &c, &again})
    EXPECT_EQ(s->Sounds(), std::vector<std::vector<uint8_t>>{fixtures::OnTheWire(samples)});
  const std::vector<std::string> stayed = a.Log();
  EXPECT_EQ(std::count(stayed.begin(), stayed.end(), "C"), 1) << "the device that stayed is loaded once";

  std::ifstream in(log);
  std::vector<json> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(json::parse(l));
  ASSERT_EQ(lines.size(), 5u);
  for (const json& l : lines) {
    EXPECT_EQ(l["digest"], lines[0]["digest"]);
    EXPECT_EQ(l["vid_pid"], "0403:6001");
    EXPECT_EQ(l["outcome"], l["serial_number"] == "D3" && l["port"] == dev + "ttyUSB3" ? "DeviceLost" : "Completed");
  }
  EXPECT_EQ(lines[0]["digest"].get<std::string>().size(), 64u);
  EXPECT_FALSE(rig.TempLeftovers());
}

// Settling, once per plug, a replug under another name, counts by each device's last attempt.
TEST(CliWatch, FleetBookkeeping) {
  fleet::TFleet f(1000);
  f.Known({"/dev/a", "/dev/skip"}, 0);
  EXPECT_TRUE(f.Look({"/dev/a", "/dev/skip", "/dev/b"}, 100).empty());
  EXPECT_TRUE(f.Due(1099).empty()) << "still settling";
  EXPECT_EQ(f.Due(1100), std::vector<std::string>{"/dev/b"});
  EXPECT_TRUE(f.Due(5000).empty()) << "a device that stays is handed out once";
  EXPECT_EQ(f.Begin("usb:B"), 1);
  EXPECT_EQ(f.Begin("/dev/a"), 1);
  EXPECT_EQ(f.Counts(), (fleet::TCounts{0, 0, 2}));
  f.End("usb:B", fleet::TResult::Failed);
  f.End("/dev/a", fleet::TResult::Done);
  EXPECT_EQ(f.Counts(), (fleet::TCounts{1, 1, 0}));
  EXPECT_EQ(f.Look({"/dev/a", "/dev/skip", "/dev/c"}, 6000), std::vector<std::string>{"/dev/b"});
  EXPECT_EQ(f.Due(7000), std::vector<std::string>{"/dev/c"});
  EXPECT_EQ(f.Begin("usb:B"), 2);
  EXPECT_EQ(f.Counts(), (fleet::TCounts{1, 0, 1}));
  f.End("usb:B", fleet::TResult::Done);
  f.End("/dev/a", fleet::TResult::NoDevice);  // nothing answered: the last result stays
  EXPECT_EQ(f.Counts(), (fleet::TCounts{2, 0, 0}));
}

// The pieces without processes: the digest's hash, the CSV line, a child of another protocol.
TEST(CliWatch, HashCsvAndProtocolMismatch) {
  fleet::TSha256 abc, long448;
  abc.Add("abc");
  EXPECT_EQ(abc.HexDigest(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  long448.Add("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
  EXPECT_EQ(long448.HexDigest(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");

  fleet::TLoadRecord r{"2026-12-08T23:40:01+00:00", "/dev/ttyUSB0", {}, "Vorel, \"30415\"", "4", "", "ab", "DeviceLost",
                       "lost", 2.25};
  EXPECT_EQ(fleet::CsvLine(r), "2026-12-08T23:40:01+00:00,/dev/ttyUSB0,,,,,,\"Vorel, \"\"30415\"\"\",4,,ab,DeviceLost,"
                               "lost,2.3\r\n");

  cli::TCliArgs args;
  args.Quiet = true;
  cli::TAllDisplay display(args, {});
  cli::TDeviceRun run{"/dev/ttyUSB0"};
  EXPECT_FALSE(display.Take(run, R"({"event":"protocol","version":2})"));
  EXPECT_EQ(run.Outcome, "Error");
  EXPECT_NE(run.Message.find("protocol version 2 instead of 1"), std::string::npos) << run.Message;
}

}  // namespace
