// A device that takes bytes but never acknowledges, and a port queue that never empties.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>

#include "comm_recorder.h"
#include "engine_seam.h"
#include "upload_rig.h"

namespace {

using namespace std::chrono_literals;
using fixtures::QuickDevice;

const std::string kNoAddresses =
    "Every sound was sent, but the digital addresses were not set; the device needs a new upload.";

long Index(const std::vector<std::string>& Lines, const std::string& Line) {
  const auto it = std::find(Lines.begin(), Lines.end(), Line);
  return it == Lines.end() ? -1 : long(it - Lines.begin());
}

// Samples as they go on the wire, without an encoder.
TPreparedSound Prepared(UploadRig& Rig, const std::string& Name, size_t Samples, int32_t Address) {
  const std::string path = Rig.dir.Path() + Name;
  const auto bytes = fixtures::OnTheWire(fixtures::Ramp(Samples, 1));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return {path, int64_t(Samples), Address};
}

// ---- a device that never acknowledges ----

TEST(EngineSilentDevice, ShortSoundsOweNoAckButALongOneStopsTheUpload) {
  devsim::Options o = QuickDevice();
  o.ack_every = 0;
  TEngineTimeouts t;
  t.StopMarginMs = 100;  // far shorter than the run of short sounds
  UploadRig rig(o, t);
  TPreparedSounds shorts;
  for (int i = 0; i < 60; ++i) shorts.push_back(Prepared(rig, "s" + std::to_string(i), 263, i + 1));
  EXPECT_EQ(rig.engine.UploadPrepared(shorts), TUploadOutcome::Completed);
  EXPECT_EQ(rig.ui.Panel[2], "Upload completed!");

  rig.ui.Events.clear();
  TPreparedSounds mixed = {shorts[0], Prepared(rig, "long", 40000, 2)};
  EXPECT_EQ(rig.engine.UploadPrepared(mixed), TUploadOutcome::DeviceStopped);
  EXPECT_EQ(rig.ui.Events.end()[-2], "message The device stopped accepting data on " + rig.sim.SlavePath() +
                                         ".\nThe device now holds only part of the sounds and needs a new upload.");
  EXPECT_GE(Index(rig.ui.Events, "row 0 4"), 0);
  EXPECT_GE(Index(rig.ui.Events, "row 1 5"), 0);
  EXPECT_EQ(Index(rig.ui.Events, "panel2 Upload completed!"), -1);
  EXPECT_FALSE(rig.engine.ComPort().Connected());
  ASSERT_TRUE(rig.sim.WaitIdle(30s));
  EXPECT_LT(rig.sim.Sounds().at(1).size(), 40000u);
}

// ---- the port's queue must empty before the upload is done ----

// The queue never empties, or does on the eighth look while the addresses wait for it.
TEST(EngineDrain, TheUploadCompletesOnlyOnceTheQueueHasEmptied) {
  for (const bool empties : {false, true}) {
    SCOPED_TRACE(empties);
    CommRecorder comm;  // outlives the rig, whose port uses it
    TEngineTimeouts t;
    t.StopMarginMs = 300;
    UploadRig rig(QuickDevice(), t);
    TEngineSeam::ComPort(rig.engine).SetCommServices(&comm);
    comm.FixedOutQueue = 100;
    int pumps = 0;
    rig.ui.OnPump = [&] {
      if (empties && rig.ui.Panel[1] == "Configuring digital addresses..." && ++pumps == 8) {
        rig.ui.Events.push_back("queue empty");
        comm.FixedOutQueue = -1;  // the pseudo-terminal's own: empty
      }
    };
    const auto start = std::chrono::steady_clock::now();
    const auto outcome = rig.engine.UploadPrepared({Prepared(rig, "a", 600, 7), Prepared(rig, "b", 10, 2040)});
    EXPECT_FALSE(rig.engine.ComPort().Connected());
    if (empties) {
      EXPECT_EQ(outcome, TUploadOutcome::Completed);
      EXPECT_GT(Index(rig.ui.Events, "panel2 Upload completed!"), Index(rig.ui.Events, "queue empty"));
      EXPECT_GE(Index(rig.ui.Events, "queue empty"), 0);
      continue;
    }
    EXPECT_EQ(outcome, TUploadOutcome::DeviceStopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    EXPECT_EQ(rig.ui.Events.end()[-2],
              "message The device stopped accepting data on " + rig.sim.SlavePath() + ".\n" + kNoAddresses);
    EXPECT_GE(Index(rig.ui.Events, "row 1 4"), 0);
    EXPECT_EQ(Index(rig.ui.Events, "row 1 5"), -1);
    EXPECT_EQ(rig.ui.Panel[1], "");
    EXPECT_NE(rig.ui.Panel[2], "Upload completed!");
    ASSERT_TRUE(rig.sim.WaitIdle(30s));
    EXPECT_EQ(rig.sim.Addresses(), (std::vector<devsim::AddressCommand>{{1, 7}, {2, 2040}}));
  }
}

}  // namespace
