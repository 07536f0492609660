// prepare, table and the sound options of upload, run as a user would.
#include <gtest/gtest.h>

#include <fstream>

#include "cli_run.h"
#include "sound/WaveWriter.h"

namespace {

std::string ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// 0.2 s of silence, 0.1 s of a loud ramp, 0.2 s of silence: the trim keeps the ramp.
std::vector<uint8_t> PaddedRamp() {
  std::vector<uint8_t> s(8820, 0x80);
  for (int i = 0; i < 4410; ++i) s.push_back(uint8_t(0x40 + (i * 3) % 0x80));
  s.insert(s.end(), 8820, 0x80);
  return s;
}

TEST(CliPrepare, PrepareTableAndUploadAgreeOnTheTrimmedSound) {
  clitest::TCliRig rig;
  devsim::Simulator sim(clitest::QuickDevice());
  rig.Ports(sim.SlavePath());
  const std::string wav = rig.Wav("pad.wav", PaddedRamp());
  const auto prepared = rig.Run({"prepare", "--trim", wav, "--out", rig.Path("out")});
  ASSERT_EQ(prepared.status, 0) << prepared.output;
  const std::string out = ReadFile(rig.Path("out/pad.wav"));
  ASSERT_GT(out.size(), 44u);
  const auto* size = reinterpret_cast<const unsigned char*>(out.data() + 40);
  const std::string samples = out.substr(44, size[0] | size[1] << 8 | size[2] << 16);
  EXPECT_EQ(out.substr(0, 44), sound::WaveHeader(uint32_t(samples.size())));
  EXPECT_NEAR(double(samples.size()), 4410.0, 2 * 0.020 * 44100);

  std::ofstream(rig.Path("l.kestrilo")) << R"({"format":"kestrilo-sound-list","version":2,"options":{"trim":-50},)"
                                        << R"("sounds":[{"path":"pad.wav","address":9}]})";
  const auto table = rig.Run({"table", rig.Path("l.kestrilo")});
  EXPECT_EQ(table.status, 0) << table.output;
  EXPECT_TRUE(table.Says("1,9," + wav + "," + std::to_string(double(samples.size()) / 44100).substr(0, 5)))
      << table.output;

  const auto upload = rig.Run({"upload", "--dither", "off", rig.Path("l.kestrilo")});
  EXPECT_EQ(upload.status, 0) << upload.output;
  ASSERT_TRUE(sim.WaitIdle(std::chrono::seconds(30)));
  const auto sounds = sim.Sounds();
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(std::string(sounds[0].begin(), sounds[0].end()), samples);
  EXPECT_EQ(rig.Run({"upload", "--loudness", "loud", wav}).status, 2);
}

}  // namespace
