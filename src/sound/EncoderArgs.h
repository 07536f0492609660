#pragma once
// The encoder's argument lists for a sound's options, built as lists (one entry per
// argument), never as a text to be split again.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sound/SoundOptions.h"

namespace sound {

// The filters before the gain: mono at 44100 Hz, then the trim with its fades. Empty when
// nothing is trimmed.
std::string ShapeFilters(const TSoundOptions& Options);

// The first pass: the shaped sound measured (ebur128 with its true peak for R128,
// volumedetect for peak), no output file. Only for options with a loudness mode.
std::vector<std::string> MeasureArguments(const std::string& Source, const TSoundOptions& Options);

// The level the first pass found, from the encoder's error output: integrated loudness
// (LUFS) or the highest sample (dBFS). None when it is not there or the sound is silent.
std::optional<double> ParseMeasurement(const std::string& ErrorOutput, TLoudness Mode);
// The true peak (dBTP) the R128 pass found; none when it is not there or the sound is silent.
std::optional<double> ParseTruePeak(const std::string& ErrorOutput);

// Whether a sound of TruePeakDb raised by GainDb would pass the ceiling, so the conversion
// limits it.
bool NeedsLimiter(const TSoundOptions& Options, std::optional<double> TruePeakDb, double GainDb);

// The conversion. With every option off this is exactly the plain command line; GainDb is
// the measured correction for a loudness mode, Limit puts the limiter after it.
std::vector<std::string> EncodeArguments(const std::string& Source, const std::string& Dest, int64_t Capacity,
                                         const TSoundOptions& Options, double GainDb = 0.0, bool Limit = false);

// One encoder run for several conversions: each source to its own output with the
// arguments of its own run (Single, as EncodeArguments gives them), its own streams and tags,
// so each output comes out as from that run. Only errors are reported.
std::vector<std::string> SharedArguments(const std::vector<std::vector<std::string>>& Single);

// Every filter and fixed argument the preparation may use for Options, without paths or
// measured values: what a prepared sound in the cache was made by.
std::string Recipe(const TSoundOptions& Options);

}  // namespace sound
