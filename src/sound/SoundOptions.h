#pragma once
// How a sound is prepared before it goes to the device: loudness, trimming and dither.
// Everything off is the plain conversion, byte for byte.
#include <optional>
#include <string>

namespace sound {

enum class TLoudness { Off, Peak, R128 };
enum class TDither { Off, Triangular };

struct TSoundOptions {
  TLoudness Loudness = TLoudness::Off;
  // dBFS for Peak, LUFS for R128; unset takes the default of the mode.
  std::optional<double> Target;
  bool Trim = false;
  double TrimThresholdDb = -50.0;  // quieter than this at either end is silence
  TDither Dither = TDither::Off;

  bool Any() const { return Loudness != TLoudness::Off || Trim || Dither != TDither::Off; }
  double TargetOrDefault() const;
  bool operator==(const TSoundOptions&) const = default;
};

inline constexpr double kDefaultPeakDb = -1.0;    // a little headroom for the 8-bit rounding
inline constexpr double kDefaultR128Lufs = -16.0;  // loud enough for a small speaker, rarely clipping
inline constexpr double kFadeSeconds = 0.005;      // at each cut: long enough to leave no click
inline constexpr double kTruePeakCeilingDb = -1.0; // EBU R128's maximum: room for the 8-bit rounding and dither

const char* LoudnessName(TLoudness Value);  // "off", "peak", "r128"
const char* DitherName(TDither Value);      // "off", "triangular"
std::optional<TLoudness> ParseLoudness(const std::string& Text);
std::optional<TDither> ParseDither(const std::string& Text);

// One line for people and for the cache key: "loudness=r128 target=-16.0 trim=-50.0 dither=off".
std::string Describe(const TSoundOptions& Options);

}  // namespace sound
