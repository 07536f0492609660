// The data phase in blocks: the device gets the per-byte stream; a block cut short stops the upload.
#include <gtest/gtest.h>
#include <chrono>
#include <fstream>
#include "comm_recorder.h"
#include "engine_seam.h"
#include "upload_rig.h"

namespace {
// The sizes of the writes, a run of one size as "size*count".
std::string WriteRuns(const CommRecorder& Comm) {
  std::vector<std::string> w;
  for (const auto& c : Comm.Calls())
    if (c.rfind("WriteFile ", 0) == 0) w.push_back(c.substr(10));
  std::string out;
  for (size_t i = 0, j = 0; i < w.size(); i = j) {
    while (j < w.size() && w[j] == w[i]) ++j;
    out += (i ? " " : "") + w[i] + (j - i > 1 ? "*" + std::to_string(j - i) : "");
  }
  return out;
}

TEST(EngineDataBlocks, EveryBoundaryGoesOutAsThePerByteStreamAndAShortBlockStopsTheUpload) {
  UploadRig rig(fixtures::QuickDevice());
  CommRecorder comm;
  TEngineSeam::ComPort(rig.engine).SetCommServices(&comm);
  TPreparedSounds sounds;
  std::vector<std::string> log{"V", "reply 38 20 07", "C", "reply 2b"};
  for (const size_t n : {0u, 1u, 32u, 33u, 263u, 264u, 265u, 600u}) {
    const std::string i = std::to_string(sounds.size() + 1);
    sounds.push_back({rig.dir.Path() + i, int64_t(n), int32_t(sounds.size() + 1)});
    // 0x00 among them: the data phase itself sends those as 0x01.
    std::ofstream(sounds.back().SampleFile).write(reinterpret_cast<const char*>(fixtures::Ramp(n).data()), long(n));
    log.push_back("D sound " + i);
    log.insert(log.end(), n / 264, "reply 10");
    log.push_back("end sound " + i + ", " + std::to_string(n) + " samples");
  }
  log.push_back("end of sounds");
  for (int i = 1; i <= 8; ++i) log.push_back("A input " + std::to_string(i) + " address " + std::to_string(i));
  ASSERT_EQ(rig.engine.UploadPrepared(sounds), TUploadOutcome::Completed);
  ASSERT_TRUE(rig.sim.WaitForLogLine("A input 8 address 8", std::chrono::seconds(30)));
  EXPECT_EQ(rig.sim.Log(), log);
  for (size_t i = 0; i < sounds.size(); ++i)
    EXPECT_EQ(rig.sim.Sounds().at(i), fixtures::OnTheWire(fixtures::Ramp(size_t(sounds[i].EncodedSize))));
  // Per sound 'D' and samples to the first pause at once, then 33 at a time, and the end marker.
  EXPECT_EQ(WriteRuns(comm), "1*2 2 3 34 35*2 33*6 32 35 33*7 35 33*7 1 35 33*17 6 1*33");
  comm.Clear();  // a block the line takes only half of:
  comm.HalveWriteOf = 33;  // the second block: samples 34 to 66
  EXPECT_EQ(rig.engine.UploadPrepared({sounds.back()}), TUploadOutcome::DeviceStopped);
  EXPECT_EQ(WriteRuns(comm), "1*2 35 33");  // nothing after the short write
  ASSERT_TRUE(rig.sim.WaitIdle(std::chrono::seconds(30)));
  EXPECT_EQ(rig.sim.Sounds(), std::vector<std::vector<uint8_t>>{fixtures::OnTheWire(fixtures::Ramp(34 + 16))});
}

}  // namespace
