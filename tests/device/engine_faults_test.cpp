// What the engine does when the line, the device or the user does not play along: the user
// reads why, the row in flight fails, the port is closed, nothing reports success.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "upload_rig.h"

namespace {

using namespace std::chrono_literals;
using fixtures::QuickDevice;

const std::string kPartial = "The device now holds only part of the sounds and needs a new upload.";

bool Has(const std::vector<std::string>& Lines, const std::string& Line) {
  return std::find(Lines.begin(), Lines.end(), Line) != Lines.end();
}

// ---- the right device only ----

TEST(EngineRightDevice, AChattyNeighbourIsPassedOverAndGetsNothingButTheProbes) {
  devsim::Options n;
  n.neighbour = true;
  devsim::Simulator neighbour(n), device(QuickDevice());
  TScopedPorts ports(neighbour.SlavePath() + ":" + device.SlavePath());
  TRecordingFrontEnd ui;
  TDeviceEngine engine(ui);
  engine.SearchDevice();
  EXPECT_EQ(engine.Device().PortName, device.SlavePath());
  // Once every byte sent has been taken, the log is whole: at least one probe, nothing else.
  ASSERT_TRUE(neighbour.WaitIdle(std::chrono::seconds(30)));
  int received = 0;
  for (const auto& line : neighbour.Log()) {
    if (line.rfind("neighbour received", 0) == 0) {
      ++received;
      EXPECT_EQ(line.substr(0, 24), "neighbour received 0x56 ") << line;
    }
  }
  EXPECT_GE(received, 1);
}

TEST(EngineRightDevice, ADeviceBehindJunkIsNotTakenForTheDevice) {
  devsim::Options o = QuickDevice();
  o.junk_rate = devsim::kJunkFullLine;
  devsim::Simulator noisy(o);
  TScopedPorts ports(noisy.SlavePath());
  TRecordingFrontEnd ui;
  TDeviceEngine engine(ui);
  engine.SearchDevice();
  EXPECT_EQ(engine.Device().Status, 0);
  EXPECT_EQ(ui.Panel[2], "No device found");
  EXPECT_LE(engine.RxBuffer().size(), TDeviceEngine::MaxRxBuffer);
}

// ---- a device that stops reading, goes away, or a user who stops ----

TEST(EngineStoppedDevice, AStallEndsTheUploadWithTheRowFailedAndThePortClosed) {
  devsim::Options o = QuickDevice();
  o.stall_after = 300;  // for good
  // More than a pseudo-terminal holds, read at the line's rate: not all written before the stall.
  o.line_rate = true;
  UploadRig rig(o);
  const auto outcome = rig.engine.Upload({{rig.Wav("a.wav", fixtures::Ramp(3 * 44100)), 1}, {rig.Wav("b.wav", fixtures::Ramp(10)), 2}});
  EXPECT_EQ(outcome, TUploadOutcome::DeviceStopped);
  EXPECT_TRUE(Has(rig.ui.Events, "message The device stopped accepting data on " + rig.sim.SlavePath() + ".\n" + kPartial));
  EXPECT_TRUE(Has(rig.ui.Events, "row 0 5"));
  EXPECT_FALSE(Has(rig.ui.Events, "row 1 3"));  // never started: it stays Encoded
  EXPECT_EQ(rig.ui.Panel[1], "");              // no percentage of a stopped run
  EXPECT_NE(rig.ui.Panel[2], "Upload completed!");
  EXPECT_FALSE(rig.engine.ComPort().Connected());
}

TEST(EngineStoppedDevice, AnUnplugDuringTheEraseIsToldAtOnce) {
  devsim::Options o = QuickDevice();
  o.erase_ms = 60000;
  o.hangup_in_erase_ms = 200;
  UploadRig rig(o);  // the design's minute of erase wait: only the hang-up can end it early
  EXPECT_EQ(rig.engine.Upload({{rig.Wav("a.wav", fixtures::Ramp(100)), 1}}), TUploadOutcome::DeviceLost);
  const std::string& message = rig.ui.Events.end()[-2];
  EXPECT_EQ(message.rfind("message The device on " + rig.sim.SlavePath() + " was disconnected.\n", 0), 0u) << message;
  EXPECT_NE(message.find("The device was erased and holds no sounds now; it needs a new upload."), std::string::npos);
  EXPECT_FALSE(rig.engine.ComPort().Connected());
}

TEST(EngineStoppedDevice, CancelMidStreamStopsAtOnceAndSaysWhatTheDeviceHolds) {
  UploadRig rig(QuickDevice());
  rig.ui.OnPump = [&] {
    if (rig.ui.Panel[1].find('%') != std::string::npos && rig.ui.Progress >= 1000) rig.engine.Cancel();
  };
  const auto a = fixtures::Ramp(5000);
  EXPECT_EQ(rig.engine.Upload({{rig.Wav("a.wav", a), 1}, {rig.Wav("b.wav", a), 2}}), TUploadOutcome::Cancelled);
  EXPECT_EQ(rig.ui.Events.end()[-2], "message Upload cancelled.\n" + kPartial);
  EXPECT_TRUE(Has(rig.ui.Events, "row 0 5"));
  EXPECT_FALSE(Has(rig.ui.Events, "row 1 3"));
  EXPECT_FALSE(rig.engine.ComPort().Connected());
  ASSERT_TRUE(rig.sim.WaitIdle(30s));
  EXPECT_FALSE(Has(rig.sim.Log(), "end of sounds"));
  EXPECT_LT(rig.sim.BytesReceived(), 2000u);  // stopped near where it was asked to
}

TEST(EngineStoppedDevice, CancelDuringTheSearchEndsItAtTheWaitAndTheUploadIsCancelled) {
  devsim::Options mute = QuickDevice();
  mute.silent = true;
  devsim::Simulator first(mute), second(mute);
  TScopedPorts ports(first.SlavePath() + ":" + second.SlavePath());
  TRecordingFrontEnd ui;
  TDeviceEngine engine(ui, TEngineTimeouts{30000, 60000, 10});  // a wait that does not look takes 30 s
  platform::TTempDir dir;
  fixtures::WriteWav(dir.Path() + "a.wav", fixtures::Ramp(10));
  ui.OnPump = [&] {
    if (ui.Panel[2] == "Searching device... " + first.SlavePath()) engine.Cancel();
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(engine.Upload({{dir.Path() + "a.wav", 1}}), TUploadOutcome::Cancelled);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
  EXPECT_EQ(ui.Events.end()[-2], "message Upload cancelled.\nThe device keeps its old sounds.");
  EXPECT_FALSE(Has(ui.Events, "row 0 1"));  // nothing encoded
  ASSERT_TRUE(first.WaitIdle(30s));
  EXPECT_EQ(first.Log(), (std::vector<std::string>{"V"}));  // one probe, no other speed
  EXPECT_TRUE(second.Log().empty());
  EXPECT_FALSE(engine.ComPort().Connected());
  engine.SetTimeouts({200, 60000, 10});
  ui.OnPump = nullptr;
  engine.SearchDevice();  // the cancel was that upload's, not this search's
  ASSERT_TRUE(second.WaitIdle(30s));
  EXPECT_EQ(second.Log().size(), 3u);
}

TEST(EngineStoppedDevice, CancelAsTheEncodingEndsKeepsTheDeviceUnerased) {
  UploadRig rig(QuickDevice());
  rig.ui.OnPump = [&] {
    if (rig.ui.Panel[1] == "Erasing device flash...") rig.engine.Cancel();
  };
  EXPECT_EQ(rig.engine.Upload({{rig.Wav("a.wav", fixtures::Ramp(100)), 1}}), TUploadOutcome::Cancelled);
  EXPECT_EQ(rig.ui.Events.end()[-2], "message Upload cancelled.\nThe device keeps its old sounds.");
  ASSERT_TRUE(rig.sim.WaitIdle(30s));
  EXPECT_FALSE(Has(rig.sim.Log(), "C"));
}

// ---- rows that are not sound files ----

TEST(EngineNotASoundFile, APipeAFolderOrAMissingFileIsRefusedBeforeTheSearch) {
  UploadRig rig(QuickDevice());
  const std::string fifo = rig.dir.Path() + "pipe.wav", folder = rig.dir.Path() + "folder.wav";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const std::string good = rig.Wav("good.wav", fixtures::Ramp(10));
  const std::pair<std::string, std::string> cases[] = {
      {fifo, "it is a named pipe, not a sound file"},
      {folder, "it is a folder, not a sound file"},
      {"/dev/zero", "it is a device, not a sound file"},
      {rig.dir.Path() + "gone.wav", rig.dir.Path() + "gone.wav: No such file or directory"}};
  for (const auto& [file, why] : cases) {
    rig.ui.Events.clear();
    EXPECT_EQ(rig.engine.Upload({{good, 1}, {file, 2}}), TUploadOutcome::EncodingFailed) << file;
    EXPECT_EQ(rig.ui.Events, (std::vector<std::string>{"controls off", "row 1 5", "panel1 Encoding failed!",
                                                        "message Cannot convert \"" + file + "\":\n" + why,
                                                        "controls on"}));
    TPreparedSounds sounds;
    EXPECT_EQ(rig.engine.Encode({{file, 1}}, sounds), TUploadOutcome::EncodingFailed);  // no search there either
  }
  EXPECT_TRUE(rig.sim.Log().empty());  // not even searched
}

// ---- a port another program holds ----

TEST(EngineBusyPort, TheSearchAndTheUploadSayThePortIsInUse) {
  devsim::Options o = QuickDevice();
  UploadRig rig(o);
  const int holder = ::open(rig.sim.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);  // as a terminal program holds it
  EXPECT_EQ(rig.engine.Upload({{rig.Wav("a.wav", fixtures::Ramp(10)), 1}}), TUploadOutcome::NoDevice);
  const std::string busy = rig.sim.SlavePath() + " is in use by another program";
  EXPECT_EQ(rig.ui.Panel[2].rfind(busy, 0), 0u) << rig.ui.Panel[2];
  EXPECT_EQ(rig.ui.Events.end()[-2].rfind(
                "message No device found! Please check the USB connection and search again!\n" + busy, 0),
            0u);
  ::close(holder);
}

}  // namespace
