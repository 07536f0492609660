// Time from "Upload to device" to the first data byte for a list of 257 short sounds: one
// encoder after another without a cache (as before), one encoder run a sound on every core,
// short sounds sharing runs on every core into an empty cache, and again from that cache.
// Prints the figures; asserts nothing.
//   bench_prepare [SOUNDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "devsim/devsim.h"
#include "device/Engine.h"
#include "platform/temp_dir.h"
#include "quick_device.h"
#include "recording_front_end.h"
#include "sound/ParallelPrepare.h"
#include "sound/Prepare.h"
#include "wav_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// Stops the run as its data phase begins: what follows does not depend on the preparation.
class TFirstByteFrontEnd : public TRecordingFrontEnd {
 public:
  TDeviceEngine* Engine = nullptr;
  Clock::time_point DataStart{};
  void ShowPhase(const TNotice& Phase) override {
    TRecordingFrontEnd::ShowPhase(Phase);
    if (Phase.Id == TNoticeId::Uploading && DataStart == Clock::time_point{}) {
      DataStart = Clock::now();
      Engine->Cancel();
    }
  }
  void ShowMessage(const std::string&) override {}
};

double ToFirstByte(const std::vector<TUploadRow>& Rows, int Encoders, std::optional<sound::TSoundCache> Cache,
                   bool ShareRuns = true) {
  devsim::Simulator sim(fixtures::QuickDevice());
  TScopedPorts ports(sim.SlavePath());
  TFirstByteFrontEnd ui;
  TDeviceEngine engine(ui);
  ui.Engine = &engine;
  engine.Preparation = {Encoders, std::move(Cache), ShareRuns};
  const int runs = sound::EncoderRuns();
  const auto start = Clock::now();
  engine.Upload(Rows);
  if (ui.DataStart == Clock::time_point{}) return -1;
  std::printf("  (%d encoder runs)", sound::EncoderRuns() - runs);
  return std::chrono::duration<double>(ui.DataStart - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 257;
  platform::TTempDir dir;
  std::vector<TUploadRow> rows;
  for (int i = 0; i < count; ++i) {
    const std::string path = dir.Path() + "s" + std::to_string(i) + ".wav";
    fixtures::WriteWav(path, fixtures::Ramp(4410 + size_t(i), uint8_t(i)));  // a tenth of a second each
    rows.push_back({path, i + 1, {}});
  }
  std::printf("%d short sounds, %d cores; from \"Upload to device\" to the first data byte:\n", count,
              sound::EncoderCount());
  const sound::TSoundCache cache(dir.Path() + "cache");
  std::printf("one encoder after another, no cache:");
  const double serial = ToFirstByte(rows, 1, std::nullopt, false);
  std::printf(" %.2f s\none run a sound on every core:     ", serial);
  const double each = ToFirstByte(rows, 0, std::nullopt, false);
  std::printf(" %.2f s (%.2f of before)\nshared runs on every core, empty cache:", each, each / serial);
  const double parallel = ToFirstByte(rows, 0, cache);
  std::printf(" %.2f s (%.2f of before)\nagain, from the cache:             ", parallel, parallel / serial);
  const double cached = ToFirstByte(rows, 0, cache);
  std::printf(" %.2f s\n", cached);
  return 0;
}
