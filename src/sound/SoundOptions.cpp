#include "sound/SoundOptions.h"

#include <cstdio>

namespace sound {

double TSoundOptions::TargetOrDefault() const {
  if (Target) return *Target;
  return Loudness == TLoudness::R128 ? kDefaultR128Lufs : kDefaultPeakDb;
}

const char* LoudnessName(TLoudness Value) {
  switch (Value) {
    case TLoudness::Peak: return "peak";
    case TLoudness::R128: return "r128";
    case TLoudness::Off: break;
  }
  return "off";
}

const char* DitherName(TDither Value) { return Value == TDither::Triangular ? "triangular" : "off"; }

std::optional<TLoudness> ParseLoudness(const std::string& Text) {
  for (const TLoudness v : {TLoudness::Off, TLoudness::Peak, TLoudness::R128})
    if (Text == LoudnessName(v)) return v;
  return std::nullopt;
}

std::optional<TDither> ParseDither(const std::string& Text) {
  for (const TDither v : {TDither::Off, TDither::Triangular})
    if (Text == DitherName(v)) return v;
  return std::nullopt;
}

std::string Describe(const TSoundOptions& Options) {
  char text[160];
  std::string trim = "off";
  if (Options.Trim) {
    char t[32];
    std::snprintf(t, sizeof t, "%.1f", Options.TrimThresholdDb);
    trim = t;
  }
  if (Options.Loudness == TLoudness::Off)
    std::snprintf(text, sizeof text, "loudness=off trim=%s dither=%s", trim.c_str(), DitherName(Options.Dither));
  else
    std::snprintf(text, sizeof text, "loudness=%s target=%.1f trim=%s dither=%s", LoudnessName(Options.Loudness),
                  Options.TargetOrDefault(), trim.c_str(), DitherName(Options.Dither));
  return text;
}

}  // namespace sound
