#pragma once
#include <cstdint>
#include <vector>

namespace devsim {

// A canonical 44-byte-header RIFF WAVE file: PCM, mono, 44100 Hz, 8-bit unsigned
// samples; an odd sample count gets the pad byte RIFF requires.
std::vector<std::uint8_t> MakeWave(const std::vector<std::uint8_t>& samples);

}  // namespace devsim
