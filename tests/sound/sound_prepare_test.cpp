// Loudness, trim, dither and the cache, measured with ffmpeg on what the simulator received.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "device/EncoderCommand.h"
#include "platform/process.h"
#include "sound/EncoderArgs.h"
#include "sound/ParallelPrepare.h"
#include "sound/Prepare.h"
#include "sound/WaveWriter.h"
#include "upload_rig.h"

namespace {

using sound::TLoudness;
using sound::TSoundOptions;
using Samples = std::vector<uint8_t>;

struct SoundRig : UploadRig {
  // A loaded machine may hold the device's answers back for seconds.
  SoundRig() : UploadRig(fixtures::QuickDevice(), TEngineTimeouts{500, 60000, 10, 30000}) {
    engine.Preparation.Cache.reset();
  }

  // A 16-bit stereo 48 kHz source from an ffmpeg source filter, unlike what the device plays.
  std::string Make(const std::string& Name, const std::string& Graph) {
    const std::string path = dir.Path() + Name;
    Ffmpeg({"-y", "-f", "lavfi", "-i", Graph, "-ac", "2", "-ar", "48000", path});
    return path;
  }
  std::string Ffmpeg(std::vector<std::string> Args) {
    Args.insert(Args.begin(), {"-hide_banner", "-nostats"});
    const platform::TProcessOutcome o = platform::RunAndWait("ffmpeg", Args, nullptr);
    EXPECT_EQ(o.ExitCode, 0) << o.ErrorOutput;
    return o.ErrorOutput;
  }
  // Uploads Files with Options and returns what the device received.
  std::vector<Samples> Upload(const std::vector<std::string>& Files, const TSoundOptions& Options) {
    std::vector<TUploadRow> rows;
    for (const auto& f : Files) rows.push_back({f, int32_t(rows.size() + 1), Options});
    EXPECT_EQ(engine.Upload(rows), TUploadOutcome::Completed) << (ui.Events.empty() ? "" : ui.Events.end()[-2]);
    EXPECT_TRUE(sim.WaitIdle(std::chrono::seconds(30)));
    return sim.Sounds();
  }
  // The received sound measured as the first pass measures: LUFS or dBFS.
  double Level(const Samples& S, TLoudness Mode) {
    const std::string wav = dir.Path() + "measured.wav";
    std::ofstream(wav, std::ios::binary) << sound::WaveHeader(uint32_t(S.size()))
                                         << std::string(S.begin(), S.end());
    const char* meter = Mode == TLoudness::R128 ? "ebur128" : "volumedetect";
    return sound::ParseMeasurement(Ffmpeg({"-i", wav, "-af", meter, "-f", "null", "-"}), Mode).value_or(NAN);
  }
};

// Pink noise at five levels 20 dB apart, with silence either side for the trim.
std::vector<std::string> FiveLevels(SoundRig& Rig, double Silence = 0) {
  std::vector<std::string> files;
  for (int i = 0; i < 5; ++i) {
    char graph[200];
    std::snprintf(graph, sizeof graph, "anoisesrc=d=0.5:c=pink:r=48000:a=0.5:s=%d,volume=%ddB,adelay=%d:all=1,apad=pad_dur=%g", i + 1, -5 * i,
                  int(Silence * 1000), Silence);
    files.push_back(Rig.Make("level" + std::to_string(i) + ".wav", graph));
  }
  return files;
}

// The WAVE file's size and a hash of the samples, or the failure's text.
std::string Outcome(const std::function<sound::TPreparedFile()>& Prepare, const std::string& SampleFile) {
  try {
    const int64_t size = Prepare().EncodedSize;
    std::ifstream in(SampleFile, std::ios::binary);
    const std::string samples(std::istreambuf_iterator<char>(in), {});
    return std::to_string(size) + " " + std::to_string(std::hash<std::string>()(samples));
  } catch (const sound::EPrepareFailed& e) {
    return e.what();
  }
}

double Spread(const std::vector<double>& Levels) {
  return *std::max_element(Levels.begin(), Levels.end()) - *std::min_element(Levels.begin(), Levels.end());
}

TEST(SoundPrepare, EveryOptionOffIsThePlainConversion) {
  EXPECT_EQ(sound::EncodeArguments("a b.mp3", "t.wav", 4 << 20, {}), EncoderArguments("a b.mp3", "t.wav", 4 << 20));
}

TEST(SoundPrepare, LoudnessBringsFiveLevelsTwentyDbApartToTheTarget) {
  SoundRig rig;
  const auto files = FiveLevels(rig);
  for (const TLoudness mode : {TLoudness::R128, TLoudness::Peak}) {
    TSoundOptions o;
    o.Loudness = mode;
    std::vector<double> before, after;
    for (const auto& s : rig.Upload(files, {})) before.push_back(rig.Level(s, mode));
    for (const auto& s : rig.Upload(files, o)) after.push_back(rig.Level(s, mode));
    for (const double level : after) EXPECT_NEAR(level, o.TargetOrDefault(), mode == TLoudness::R128 ? 1.0 : 0.5);
    std::printf("%s spread: before %.1f dB, after %.1f dB\n", sound::LoudnessName(mode), Spread(before), Spread(after));
  }
}

TEST(SoundPrepare, R128KeepsTheLoudEndOfAQuietSoundUnderTheCeiling) {
  SoundRig rig;
  // Five quiet seconds lift the gain by about 12 dB; the loud tenth after them would clip.
  const auto file = rig.Make("quiet-loud.wav", "aevalsrc=if(lt(t\\,5)\\,0.05\\,0.9)*sin(2*PI*440*t):s=48000:d=5.1");
  TSoundOptions o;
  o.Loudness = TLoudness::R128;
  const Samples s = rig.Upload({file}, o).at(0);
  const auto [low, high] = std::minmax_element(s.begin(), s.end());
  const int ceiling = int(128 * std::pow(10.0, sound::kTruePeakCeilingDb / 20)) + 1;
  EXPECT_LE(128 - int(*low), ceiling);
  EXPECT_LE(int(*high) - 128, ceiling);
  const std::string wav = rig.dir.Path() + "received.wav";
  std::ofstream(wav, std::ios::binary) << sound::WaveHeader(uint32_t(s.size())) << std::string(s.begin(), s.end());
  const auto peak = sound::ParseTruePeak(rig.Ffmpeg({"-i", wav, "-af", "ebur128=peak=true", "-f", "null", "-"}));
  ASSERT_TRUE(peak);
  EXPECT_LE(*peak, sound::kTruePeakCeilingDb + 0.5);
  EXPECT_EQ(s.size(), size_t(std::lround(5.1 * 44100)));  // the limiter moves no sample
}

// Short sounds share an encoder run and come out as from their own runs; a source that
// breaks the run is judged by its own run, with its own failure.
TEST(SoundPrepare, SoundsSharingARunComeOutAsFromTheirOwnRuns) {
  SoundRig rig;
  std::vector<sound::TPrepareJob> jobs;
  for (int i = 0; i < 10; ++i) {
    TSoundOptions o;
    o.Trim = i % 3 == 1;
    o.Dither = i % 3 == 2 ? sound::TDither::Triangular : sound::TDither::Off;
    const std::string name = "s" + std::to_string(i) + (i % 2 ? ".mp3" : ".wav");
    rig.Ffmpeg({"-y", "-f", "lavfi", "-i", "sine=f=" + std::to_string(300 + 50 * i) + ":d=0.3", "-metadata",
                "title=Sound " + std::to_string(i), rig.dir.Path() + name});
    jobs.push_back({rig.dir.Path() + name, o, 1 << 20, rig.dir.Path() + name + ".u8"});
  }
  std::ofstream(jobs[8].Source) << "not a sound";
  const auto prepare = [&](const std::string& Suffix) {
    std::vector<sound::TPrepareJob> run = jobs;
    for (auto& j : run) j.SampleFile += Suffix;
    const int before = sound::EncoderRuns();
    sound::TParallelPrepare together(run, nullptr, 1);
    std::vector<std::string> out;
    for (size_t i = 0; i < run.size(); ++i) {
      EXPECT_TRUE(together.WaitReady(i, 120000));
      out.push_back(Outcome([&] { return together.Take(i); }, run[i].SampleFile));
    }
    return std::make_pair(out, sound::EncoderRuns() - before);
  };
  const auto [shared, runs] = prepare(".shared");
  std::vector<std::string> own;
  std::atomic<bool> stop{false};
  for (const auto& j : jobs) own.push_back(Outcome([&] { return sound::PrepareSound(j, nullptr, stop); }, j.SampleFile));
  EXPECT_EQ(shared, own);
  EXPECT_NE(own[8].find("Invalid data"), std::string::npos) << own[8];
  // The first rows one a run, then a shared run that failed for the bad source and its own runs.
  EXPECT_LT(runs, int(jobs.size()) + 2);
  jobs.erase(jobs.begin() + 8);
  EXPECT_LE(prepare(".again").second, 5);
}

TEST(SoundPrepare, TrimCutsTheSilenceAndFadesAtTheCuts) {
  SoundRig rig;
  TSoundOptions o;
  o.Trim = true;
  o.Dither = sound::TDither::Triangular;
  const auto files = FiveLevels(rig, 2.0);
  const auto trimmed = rig.Upload(files, o);
  int64_t saved = 0;
  for (size_t i = 0; i < trimmed.size(); ++i) {
    const Samples& s = trimmed[i];
    EXPECT_NEAR(double(s.size()), 22050.0, 2 * 0.020 * 44100) << i;  // within 20 ms at each end
    for (const size_t at : {size_t(0), s.size() - 1}) EXPECT_NEAR(int(s[at]), 128, 3) << i;
    for (size_t k = 1; k < 20; ++k) {
      EXPECT_LE(std::abs(int(s[k]) - int(s[k - 1])), 4) << i << " at the start, " << k;
      EXPECT_LE(std::abs(int(s[s.size() - k]) - int(s[s.size() - k - 1])), 4) << i << " at the end, " << k;
    }
    saved += int64_t(4.5 * 44100) - int64_t(s.size());  // the plain conversion keeps all 4.5 s
  }
  std::printf("trim saved %.2f s of flash on five sounds\n", double(saved) / 44100);
}

TEST(SoundPrepare, TheCacheServesTheSecondUploadAndNotAChangedFileOrOption) {
  SoundRig rig;
  rig.engine.Preparation.Cache.emplace(rig.dir.Path() + "cache");
  const std::string file = rig.Wav("a.wav", fixtures::Ramp(5000));
  TSoundOptions o;
  o.Loudness = TLoudness::Peak;
  const auto runs = [&](const TSoundOptions& Options) {
    const int before = sound::EncoderRuns();
    rig.Upload({file}, Options);
    return sound::EncoderRuns() - before;
  };
  EXPECT_EQ(runs({}), 1);
  const Samples first = rig.sim.Sounds()[0];
  EXPECT_EQ(runs({}), 0);
  EXPECT_EQ(rig.sim.Sounds()[0], first);
  EXPECT_EQ(runs(o), 2);  // measured, then converted
  EXPECT_EQ(runs(o), 0);
  fixtures::WriteWav(file, fixtures::Ramp(5000, 1));
  EXPECT_EQ(runs({}), 1);
  EXPECT_EQ(rig.sim.Sounds()[0], fixtures::OnTheWire(fixtures::Ramp(5000, 1)));
}

}  // namespace
