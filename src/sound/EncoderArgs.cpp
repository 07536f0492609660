#include "sound/EncoderArgs.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

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
  const char* meter = Options.Loudness == TLoudness::R128 ? "ebur128" : "volumedetect";
  for (const char* a : {"-vn", "-af"}) args.push_back(a);
  args.push_back(ShapeFilters(Options) + "," + meter);
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

std::vector<std::string> EncodeArguments(const std::string& Source, const std::string& Dest, int64_t Capacity,
                                         const TSoundOptions& Options, double GainDb) {
  if (!Options.Any()) return EncoderArguments(Source, Dest, Capacity);
  std::string chain = ShapeFilters(Options);
  if (Options.Loudness != TLoudness::Off) chain += ",volume=" + Number(GainDb) + "dB";
  // swresample's TPDF dither when the samples are cut to 8 bits: flat noise of one level
  // instead of distortion that follows the signal; the noise-shaping kinds push their
  // noise up the spectrum, where an 8-bit player at 44.1 kHz plays it loudest.
  if (Options.Dither == TDither::Triangular) chain += ",aresample=44100:osf=u8:dither_method=triangular";
  std::vector<std::string> args = Input(Source);
  for (const std::string a : {"-y", "-vn", "-af"}) args.push_back(a);
  args.push_back(chain);
  for (const std::string a : {"-acodec", "pcm_u8", "-ar", "44100", "-ac", "1", "-sample_fmt", "u8", "-t"})
    args.push_back(a);
  args.push_back(DurationLimit(Capacity));
  args.push_back("file:" + Absolute(Dest));
  return args;
}

}  // namespace sound
