// The device engine on Windows: its search and sound test against kestrilo-devsim on COM1,
// which serves at 57600 bit/s, so the search changes the line's speed on the open port.
#include <gtest/gtest.h>

#include "devsim_dump.h"
#include "device/Engine.h"
#include "pump.h"
#include "recording_front_end.h"

TEST(EngineOnWindows, SearchFindsTheDeviceAtItsSpeedAndTheSoundTestPlays) {
  TScopedPorts ports("COM1");  // the registry may list the machine's own ports too
  TRecordingFrontEnd ui;
  TDeviceEngine engine(ui);
  engine.SearchDevice();
  EXPECT_EQ(ui.Events, (std::vector<std::string>{"panel2 Searching device...", "panel2 Searching device... COM1",
                                                  "panel2 Searching device... COM1",
                                                  "panel2 Vorel-30415 Sound Player found on COM1 (4 MB / 95 sec)"}));
  EXPECT_EQ(engine.Device().Status, 56);
  EXPECT_EQ(engine.Device().Capacity, 32 << 17);
  EXPECT_EQ(engine.Device().PortName, "COM1");
  EXPECT_TRUE(engine.ComPort().Connected());
  EXPECT_EQ(engine.ComPort().BaudRate(), br57600);

  // Each sound test closes the port right after its byte. Wine's pseudo-terminal may still
  // hold a byte whose write has completed, where a Windows driver has sent it; the backend
  // keeps such bytes on both, so no purge at the close drops them.
  engine.SoundTest(3);
  engine.SoundTest(5);  // no such sound: nothing is sent
  engine.SoundTest(1);
  ASSERT_TRUE(WaitUntil([] { return SessionHas("play 1"); }, 30000));
  EXPECT_EQ(DumpFile("session.log"), "ignored 0x56 at 115200 bit/s\nV\nreply 38 20 07\nplay 3\nplay 1\n");
  EXPECT_FALSE(engine.ComPort().Connected());
}

// Windows refuses a second open of a port with access denied; the search tells it as a port
// in use, as it tells EBUSY on Linux.
TEST(EngineOnWindows, APortHeldElsewhereIsInUse) {
  TScopedPorts ports("COM1");
  TComPort other;
  other.SetPort("COM1");
  other.Open();
  TRecordingFrontEnd ui;
  TDeviceEngine engine(ui);
  engine.SearchDevice();
  EXPECT_EQ(engine.Device().Status, 0);
  EXPECT_EQ(ui.Panel[2].rfind("COM1 is in use by another program", 0), 0u) << ui.Panel[2];
}
