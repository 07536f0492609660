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

// The first pass: the shaped sound measured (ebur128 for R128, volumedetect for peak), no
// output file. Only for options with a loudness mode.
std::vector<std::string> MeasureArguments(const std::string& Source, const TSoundOptions& Options);

// The level the first pass found, from the encoder's error output: integrated loudness
// (LUFS) or the highest sample (dBFS). None when it is not there or the sound is silent.
std::optional<double> ParseMeasurement(const std::string& ErrorOutput, TLoudness Mode);

// The conversion. With every option off this is exactly the plain command line; GainDb is
// the measured correction for a loudness mode.
std::vector<std::string> EncodeArguments(const std::string& Source, const std::string& Dest, int64_t Capacity,
                                         const TSoundOptions& Options, double GainDb = 0.0);

}  // namespace sound
