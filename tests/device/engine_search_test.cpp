// The engine's device search and sound test, without any window.
#include <gtest/gtest.h>

#include <memory>

#include "devsim/devsim.h"
#include "device/Engine.h"
#include "engine_seam.h"
#include "platform/temp_dir.h"
#include "recording_front_end.h"

namespace {

devsim::Options Sim(unsigned Baud, bool Silent = false, unsigned Units = 32) {
  devsim::Options o;
  o.baud = Baud;
  o.silent = Silent;
  o.capacity_units = Units;
  o.line_rate = false;
  return o;
}

TEST(EngineSearch, FindsTheDeviceBehindASilentPortAtItsOwnSpeed) {
  devsim::Simulator silent(Sim(115200, true)), device(Sim(57600, false, 8));
  TScopedPorts ports(silent.SlavePath() + ":" + device.SlavePath());
  TRecordingFrontEnd ui;
  TDeviceEngine engine(ui);
  engine.SearchDevice();

  const std::string s = "panel2 Searching device... ";
  EXPECT_EQ(ui.Events, (std::vector<std::string>{
                           "panel2 Searching device...", s + silent.SlavePath(), s + silent.SlavePath(),
                           s + silent.SlavePath(), s + device.SlavePath(), s + device.SlavePath(),
                           "panel2 Vorel-30415 Sound Player found on " + device.SlavePath() + " (1 MB / 23 sec)"}));
  EXPECT_EQ(engine.PortList, (std::vector<std::string>{silent.SlavePath(), device.SlavePath()}));
  EXPECT_EQ(engine.Device().Status, 56);
  EXPECT_EQ(engine.Device().Capacity, 8 << 17);
  EXPECT_EQ(engine.Device().PortName, device.SlavePath());
  EXPECT_TRUE(engine.ComPort().Connected());
  EXPECT_EQ(engine.ComPort().BaudRate(), br57600);
  EXPECT_EQ(device.Log(), (std::vector<std::string>{"ignored 0x56 at 115200 bit/s", "V", "reply 38 08 07"}));
}

TEST(EngineSearch, NothingFoundLeavesAnEmptyPanelAndNoDevice) {
  devsim::Simulator silent(Sim(9600, true));
  TScopedPorts ports(silent.SlavePath());
  TRecordingFrontEnd ui;
  TEngineTimeouts t;
  t.VersionWaitMs = 200;
  TDeviceEngine engine(ui, t);
  TEngineSeam::Device(engine).Status = 56;  // an earlier search's result is replaced
  engine.SearchDevice();
  EXPECT_EQ(ui.Events.back(), "panel2 No device found");
  EXPECT_FALSE(engine.ComPort().Connected());  // the last port probed is let go
  EXPECT_EQ(engine.Device().Status, 0);
  EXPECT_TRUE(engine.Device().PortName.empty());
}

TEST(EngineSoundTest, SearchesFirstThenPlaysAndClosesThePort) {
  devsim::Simulator device(Sim(115200));
  TScopedPorts ports(device.SlavePath());
  TRecordingFrontEnd ui;
  TDeviceEngine engine(ui);
  engine.SoundTest(3);
  ASSERT_TRUE(device.WaitForLogLine("play 3", std::chrono::seconds(30)));
  EXPECT_EQ(device.Plays(), std::vector<int>{3});
  EXPECT_FALSE(engine.ComPort().Connected());
  engine.SoundTest(5);  // no such sound: nothing is sent, no new search
  engine.SoundTest(1);
  ASSERT_TRUE(device.WaitForLogLine("play 1", std::chrono::seconds(30)));
  EXPECT_EQ(device.Plays(), (std::vector<int>{3, 1}));
  EXPECT_EQ(device.Log().front(), "V");
}

}  // namespace

namespace {

// Unplugged and plugged in again under the same name: no restart needed.
TEST(EngineSoundTest, WorksAgainAfterTheDeviceCameBackUnderItsName) {
  platform::TTempDir dir;
  devsim::Options o = Sim(115200);
  o.link_path = dir.Path() + "ttyUSB0";
  TScopedPorts ports(o.link_path);
  TRecordingFrontEnd ui;
  TDeviceEngine engine(ui);
  auto device = std::make_unique<devsim::Simulator>(o);
  engine.SoundTest(1);
  ASSERT_TRUE(device->WaitForLogLine("play 1", std::chrono::seconds(30)));
  device.reset();  // unplugged
  engine.SoundTest(2);
  EXPECT_EQ(ui.Panel[2].rfind("No device found", 0), 0u) << ui.Panel[2];
  device = std::make_unique<devsim::Simulator>(o);  // back, same name
  engine.SoundTest(3);
  ASSERT_TRUE(device->WaitForLogLine("play 3", std::chrono::seconds(30)));
  EXPECT_FALSE(engine.ComPort().Connected());
}

}  // namespace
