#include "sound/EncoderArgs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "device/EncoderCommand.h"

namespace sound {
namespace {

std::string Number(double Value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", Value);
  return text;
}

std::string Absolute(const std::string& Path) { return std::filesystem::absolute(Path).string(); }

// Silence is cut from the start; the sound is turned round to cut its end the same way.
// Peak detection with a 1 ms window cuts within a millisecond of the first audible sample
// (the default RMS window of 20 ms eats into the sound).
std::string TrimOneEnd(const TSoundOptions& Options) {
  return "silenceremove=start_periods=1:start_threshold=" + Number(Options.TrimThresholdDb) +
         "dB:detection=peak:window=0.001,asetpts=PTS-STARTPTS,afade=t=in:d=" + Number(kFadeSeconds * 1000) + "ms";
}

// Only the peaks over the ceiling are touched, so the gain stays exact everywhere else.
// alimiter rather than loudnorm's linear mode: loudnorm turns to its dynamic mode exactly
// when one gain would pass the true-peak target, works at 192 kHz and needs 3 s of sound.
// Limited at four times the rate, as ebur128 measures true peaks, so the peaks between
// samples are caught; latency=true keeps every sample in its place.
std::string LimiterFilters() {
  char text[160];
  std::snprintf(text, sizeof text,
                "aresample=%d,alimiter=limit=%.6f:attack=5:release=50:level=false:latency=true,aresample=%d",
                4 * 44100, std::pow(10.0, kTruePeakCeilingDb / 20), 44100);
  return text;
}

// swresample's TPDF dither when the samples are cut to 8 bits: flat noise of one level
// instead of distortion that follows the signal; the noise-shaping kinds push their
// noise up the spectrum, where an 8-bit player at 44.1 kHz plays it loudest.
const char* const kDither = "aresample=44100:osf=u8:dither_method=triangular";

const char* Meter(TLoudness Mode) { return Mode == TLoudness::R128 ? "ebur128=peak=true" : "volumedetect"; }

std::vector<std::string> Input(const std::string& Source) {
  return {"-hide_banner", "-nostats", "-protocol_whitelist", "file", "-i", "file:" + Absolute(Source)};
}

}  // namespace

std::string ShapeFilters(const TSoundOptions& Options) {
  std::string chain = "aformat=channel_layouts=mono,aresample=44100";
  if (Options.Trim) chain += "," + TrimOneEnd(Options) + ",areverse," + TrimOneEnd(Options) + ",areverse";
  return chain;
}

std::vector<std::string> MeasureArguments(const std::string& Source, const TSoundOptions& Options) {
  std::vector<std::string> args = Input(Source);
  for (const char* a : {"-vn", "-af"}) args.push_back(a);
  args.push_back(ShapeFilters(Options) + "," + Meter(Options.Loudness));
  for (const char* a : {"-f", "null", "-"}) args.push_back(a);
  return args;
}

std::optional<double> ParseMeasurement(const std::string& ErrorOutput, TLoudness Mode) {
  // The summary comes last; the per-frame lines before it carry the same label.
  const std::string label = Mode == TLoudness::R128 ? "I:" : "max_volume:";
  const size_t at = ErrorOutput.rfind(label);
  if (at == std::string::npos) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(ErrorOutput.c_str() + at + label.size(), &end);
  if (end == ErrorOutput.c_str() + at + label.size() || !std::isfinite(value)) return std::nullopt;
  // ebur128 reports a silent sound as -70 LUFS, its floor; volumedetect as -91 dB.
  if ((Mode == TLoudness::R128 && value <= -70.0) || (Mode == TLoudness::Peak && value <= -90.0)) return std::nullopt;
  return value;
}

std::optional<double> ParseTruePeak(const std::string& ErrorOutput) {
  // The summary's "Peak:" under "True peak:"; the per-frame lines say "TPK:".
  const std::string label = "Peak:";
  const size_t at = ErrorOutput.rfind(label);
  if (at == std::string::npos) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(ErrorOutput.c_str() + at + label.size(), &end);
  if (end == ErrorOutput.c_str() + at + label.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool NeedsLimiter(const TSoundOptions& Options, std::optional<double> TruePeakDb, double GainDb) {
  // Peak brings the highest sample to its target, which is never above full scale.
  return Options.Loudness == TLoudness::R128 && TruePeakDb && *TruePeakDb + GainDb > kTruePeakCeilingDb;
}

std::vector<std::string> EncodeArguments(const std::string& Source, const std::string& Dest, int64_t Capacity,
                                         const TSoundOptions& Options, double GainDb, bool Limit) {
  if (!Options.Any()) return EncoderArguments(Source, Dest, Capacity);
  std::string chain = ShapeFilters(Options);
  if (Options.Loudness != TLoudness::Off) chain += ",volume=" + Number(GainDb) + "dB";
  if (Limit) chain += "," + LimiterFilters();
  if (Options.Dither == TDither::Triangular) chain += std::string(",") + kDither;
  std::vector<std::string> args = Input(Source);
  for (const std::string a : {"-y", "-vn", "-af"}) args.push_back(a);
  args.push_back(chain);
  for (const std::string a : {"-acodec", "pcm_u8", "-ar", "44100", "-ac", "1", "-sample_fmt", "u8", "-t"})
    args.push_back(a);
  args.push_back(DurationLimit(Capacity));
  args.push_back("file:" + Absolute(Dest));
  return args;
}

std::vector<std::string> SharedArguments(const std::vector<std::vector<std::string>>& Single) {
  std::vector<std::string> args{"-nostdin", "-hide_banner", "-nostats", "-loglevel", "error", "-y"};
  const auto global = [](const std::string& a) { return a == "-hide_banner" || a == "-nostats" || a == "-y"; };
  const auto inputEnd = [](const std::vector<std::string>& Run) {
    const auto i = std::find(Run.begin(), Run.end(), "-i");
    return Run.end() - i < 2 ? Run.end() : i + 2;  // past the source
  };
  for (const auto& run : Single) std::remove_copy_if(run.begin(), inputEnd(run), std::back_inserter(args), global);
  for (size_t k = 0; k < Single.size(); ++k) {
    const std::string input = std::to_string(k);
    // All the input's audio: a source with two streams then fails the run, as WAVE holds one,
    // where its own run would have picked one of them. Its tags, not the first source's.
    args.insert(args.end(), {"-map", input + ":a", "-map_metadata", input, "-map_chapters", input});
    std::remove_copy_if(inputEnd(Single[k]), Single[k].end(), std::back_inserter(args), global);
  }
  return args;
}

std::string Recipe(const TSoundOptions& Options) {
  if (!Options.Any()) return EncoderTemplate;
  std::string recipe = ShapeFilters(Options);
  if (Options.Loudness != TLoudness::Off) recipe += " | " + std::string(Meter(Options.Loudness)) + " | volume";
  if (Options.Loudness == TLoudness::R128) recipe += " | " + LimiterFilters();
  if (Options.Dither == TDither::Triangular) recipe += std::string(" | ") + kDither;
  return recipe;
}

}  // namespace sound
