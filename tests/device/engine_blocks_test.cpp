// The data phase writes the bytes between two of the line's pauses at once: the device gets
// the per-byte stream unchanged, and a write cut short still stops the upload.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "comm_recorder.h"
#include "upload_rig.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;
using Sizes = std::vector<uint32_t>;

// Samples written as they are, 0x00 among them: the data phase itself must send those as 0x01.
TPreparedSound Raw(UploadRig& Rig, size_t Samples, int32_t Address) {
  const std::string path = Rig.dir.Path() + "raw" + std::to_string(Address);
  const auto bytes = fixtures::Ramp(Samples);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return {path, int64_t(Samples), Address};
}

Sizes Repeat(uint32_t Size, size_t Times) { return Sizes(Times, Size); }
Sizes operator+(Sizes A, const Sizes& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

TEST(EngineDataBlocks, EveryBoundaryGoesOutAsThePerByteStreamInBlocks) {
  UploadRig rig(fixtures::QuickDevice());
  CommRecorder comm;
  rig.engine.ComPort->SetCommServices(&comm);
  const size_t lengths[] = {0, 1, 32, 33, 263, 264, 265, 600};
  TPreparedSounds sounds;
  for (size_t n : lengths) sounds.push_back(Raw(rig, n, int32_t(sounds.size() + 1)));

  ASSERT_EQ(rig.engine.UploadPrepared(sounds), TUploadOutcome::Completed);
  ASSERT_TRUE(rig.sim.WaitForLogLine("A input 8 address 8", 30s));

  const auto stored = rig.sim.Sounds();
  ASSERT_EQ(stored.size(), sounds.size());
  Lines log{"V", "reply 38 20 07", "C", "reply 2b"};
  for (size_t i = 0; i < sounds.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    log.push_back("D sound " + n);
    for (size_t a = 0; a < lengths[i] / 264; ++a) log.push_back("reply 10");
    log.push_back("end sound " + n + ", " + std::to_string(lengths[i]) + " samples");
    EXPECT_EQ(stored[i], fixtures::OnTheWire(fixtures::Ramp(lengths[i]))) << lengths[i];
  }
  log.push_back("end of sounds");
  for (int i = 1; i <= 8; ++i) log.push_back("A input " + std::to_string(i) + " address " + std::to_string(i));
  EXPECT_EQ(rig.sim.Log(), log);

  // 'D' and the samples up to the first pause (after the 34th) in one write, then 33 at a
  // time; the end marker rides with the last samples unless a pause comes before it.
  const Sizes writes = Sizes{1, 1}                             // 'V', 'C'
                       + Sizes{2} + Sizes{3} + Sizes{34} + Sizes{35}  // 0, 1, 32, 33 samples
                       + Sizes{35} + Repeat(33, 6) + Sizes{32}       // 263
                       + Sizes{35} + Repeat(33, 7)                   // 264
                       + Sizes{35} + Repeat(33, 7) + Sizes{1}        // 265
                       + Sizes{35} + Repeat(33, 17) + Sizes{6}       // 600
                       + Sizes{1} + Repeat(1, 4 * 8);                // end of sounds, addresses
  EXPECT_EQ(comm.WriteSizes(), writes);
}

TEST(EngineDataBlocks, ABlockTheLineTakesOnlyHalfOfStopsTheUploadThere) {
  UploadRig rig(fixtures::QuickDevice());
  CommRecorder comm;
  rig.engine.ComPort->SetCommServices(&comm);
  comm.HalveWriteOf = 33;  // the second block: samples 34 to 66

  EXPECT_EQ(rig.engine.UploadPrepared({Raw(rig, 600, 1), Raw(rig, 10, 2)}), TUploadOutcome::DeviceStopped);
  EXPECT_EQ(Lines(rig.ui.Events.end() - 4, rig.ui.Events.end()),
            (Lines{"row 0 5", "panel1 ",
                   "message The device stopped accepting data on " + rig.sim.SlavePath() +
                       ".\nThe device now holds only part of the sounds and needs a new upload.",
                   "controls on"}));
  EXPECT_FALSE(rig.engine.ComPort->Connected());
  EXPECT_EQ(comm.WriteSizes(), (Sizes{1, 1, 35, 33}));  // nothing after the short write
  ASSERT_TRUE(rig.sim.WaitIdle(30s));
  auto taken = fixtures::OnTheWire(fixtures::Ramp(600));
  taken.resize(34 + 16);
  EXPECT_EQ(rig.sim.Sounds(), std::vector<std::vector<uint8_t>>{taken});
}

}  // namespace
