// The engine's upload sequence against the simulator, through a recording front end.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "devsim/devsim.h"
#include "device/Engine.h"
#include "device/UploadFiles.h"
#include "platform/temp_dir.h"
#include "recording_front_end.h"
#include "upload_rig.h"
#include "wav_fixture.h"

namespace {

using namespace std::chrono_literals;
using Events = std::vector<std::string>;
using fixtures::QuickDevice;

TEST(EngineUpload, TwoSoundsReachTheDeviceByteExactInTheDesignedOrder) {
  UploadRig rig(QuickDevice());
  const auto a = fixtures::Ramp(600), b = fixtures::Ramp(301, 3);
  const std::vector<TUploadRow> rows{{rig.Wav("a.wav", a), 2040}, {rig.Wav("b b.wav", b), 5}};

  EXPECT_EQ(rig.engine.Upload(rows), TUploadOutcome::Completed);

  EXPECT_EQ(rig.AfterSearch(),
            (Events{"controls off", "panel1 Encoding a.wav...", "row 0 1", "row 0 2", "panel1 Encoding b b.wav...",
                    "row 1 1", "row 1 2", "panel1 All files encoded!", "panel1 Erasing device flash...",
                    "panel1 Uploading data...", "row 0 3", "panel1 %", "row 0 4", "row 1 3", "panel1 %", "row 1 4",
                    "panel1 Configuring digital addresses...", "panel1 ", "panel2 Upload completed!", "controls on"}));
  ASSERT_TRUE(rig.sim.WaitForLogLine("A input 2 address 5", 30s));
  const auto sounds = rig.sim.Sounds();
  ASSERT_EQ(sounds.size(), 2u);
  EXPECT_EQ(sounds[0], fixtures::OnTheWire(a));
  EXPECT_EQ(sounds[1], fixtures::OnTheWire(b));
  EXPECT_EQ(rig.sim.Addresses(), (std::vector<devsim::AddressCommand>{{1, 2040}, {2, 5}}));
  EXPECT_EQ(rig.ui.Progress, rig.ui.Maximum);
  EXPECT_FALSE(rig.engine.ComPort().Connected());
  EXPECT_FALSE(rig.engine.Busy());
  for (const char* left : {".wav", ".dat", ".dat2"})
    for (int i : {0, 1}) EXPECT_FALSE(std::filesystem::exists(UploadFiles::TempName(i, left))) << i << left;
}

TEST(EngineUpload, EraseTimeoutTakesTheInjectedTimeAndClosesThePort) {
  devsim::Options o = QuickDevice();
  o.no_erase_reply = true;
  TEngineTimeouts t;
  t.EraseWaitMs = 400;
  UploadRig rig(o, t);
  EXPECT_EQ(rig.engine.Upload({{rig.Wav("a.wav", fixtures::Ramp(50)), 1}}), TUploadOutcome::EraseTimeout);
  const Events tail(rig.ui.Events.end() - 3, rig.ui.Events.end());
  EXPECT_EQ(tail, (Events{"panel1 Erasing device flash...",
                          "message Timeout error!\nThe device did not report the end of the erase in time; it may "
                          "hold no sounds now and needs a new upload.",
                          "controls on"}));
  EXPECT_FALSE(rig.engine.ComPort().Connected());
  EXPECT_EQ(rig.sim.Log().back(), "C");
}

TEST(EngineUpload, RefusalsComeBeforeTheDeviceIsErased) {
  {
    UploadRig rig(QuickDevice());
    EXPECT_EQ(rig.engine.Upload({}), TUploadOutcome::NoFile);
    EXPECT_EQ(rig.AfterSearch(), (Events{"controls off", "panel1 No file!", "controls on"}));
  }
  {
    UploadRig rig(QuickDevice());
    const std::string junk = rig.dir.Path() + "junk.mp3";
    std::FILE* f = std::fopen(junk.c_str(), "wb");
    std::fputs("not audio", f);
    std::fclose(f);
    EXPECT_EQ(rig.engine.Upload({{rig.Wav("ok.wav", fixtures::Ramp(10)), 1}, {junk, 2}}),
              TUploadOutcome::EncodingFailed);
    const Events e = rig.AfterSearch();
    ASSERT_GE(e.size(), 4u);
    EXPECT_EQ(Events(e.end() - 4, e.end() - 2), (Events{"row 1 5", "panel1 Encoding failed!"}));
    EXPECT_EQ(e[e.size() - 2].rfind("message Cannot convert \"" + junk + "\":\n", 0), 0u) << e[e.size() - 2];
  }
  {
    devsim::Options o = QuickDevice();
    o.capacity_units = 0;
    UploadRig rig(o);
    EXPECT_EQ(rig.engine.Upload({{rig.Wav("a.wav", fixtures::Ramp(10)), 1}}), TUploadOutcome::TooLarge);
    EXPECT_EQ(rig.ui.Events.end()[-2],
              "message The files total length larger than device memory!\nThe sounds need 0.0 s (0.0 MB); the "
              "device holds 0.0 s (0.0 MB).\nTo fit, the sounds must be 89 bytes (2.02 ms) shorter.");
  }
  {
    // Ten seconds for a device of three: the encoder stops a second past what fits.
    devsim::Options o = QuickDevice();
    o.capacity_units = 1;
    UploadRig rig(o);
    EXPECT_EQ(rig.engine.Upload({{rig.Wav("long.wav", fixtures::Ramp(10 * 44100)), 1}}), TUploadOutcome::TooLarge);
    EXPECT_EQ(rig.ui.Events.end()[-2],
              "message The files total length larger than device memory!\nThe sounds need 4.0 s (0.2 MB); the "
              "device holds 3.0 s (0.1 MB).\nTo fit, the sounds must be 43.3 KB (1.00 s) shorter.");
  }
  {
    devsim::Options o = QuickDevice();
    o.silent = true;
    UploadRig rig(o, TEngineTimeouts{200, 60000, 10});
    EXPECT_EQ(rig.engine.Upload({{rig.Wav("a.wav", fixtures::Ramp(10)), 1}}), TUploadOutcome::NoDevice);
    EXPECT_EQ(rig.ui.Events.end()[-2], "message No device found! Please check the USB connection and search again!");
    for (const auto& line : rig.sim.Log()) EXPECT_NE(line, "C");
  }
}

}  // namespace

namespace {

// What front ends ask before an upload: unusable rows with their reasons in row order, then
// each shared address once, in the order it repeats; the upload refuses the first such row.
TEST(EngineValidate, FindsUnusableRowsAndSharedAddressesInOrder) {
  UploadRig rig(QuickDevice());
  const std::string wav = rig.Wav("a.wav", fixtures::Ramp(10)), gone = rig.dir.Path() + "gone.wav";
  const std::vector<TUploadRow> rows{{wav, 7}, {gone, 5}, {rig.dir.Path(), 7}, {wav, 5}, {wav, 7}};
  const TRowFindings found = TDeviceEngine::Validate(rows);
  EXPECT_EQ(found.Unusable, (std::vector<TUnusableRow>{{1, gone + ": No such file or directory"},
                                                      {2, "it is a folder, not a sound file"}}));
  EXPECT_EQ(found.SharedAddresses, (std::vector<int32_t>{7, 5}));
  EXPECT_EQ(rig.engine.Upload(rows), TUploadOutcome::EncodingFailed);
  const std::string refusal = "message Cannot convert \"" + gone + "\":\n" + found.Unusable[0].Why;
  EXPECT_NE(std::find(rig.ui.Events.begin(), rig.ui.Events.end(), refusal), rig.ui.Events.end());
}

}  // namespace
