#pragma once
// The prepared samples as a canonical WAVE file (8-bit mono 44100 Hz) for any player.
#include <cstdint>
#include <string>

namespace sound {

// The 44-byte header for Samples bytes of 8-bit mono 44100 Hz PCM.
std::string WaveHeader(uint32_t Samples);

// Writes Header and the bytes of SampleFile to Target; file errors are thrown.
void WriteWave(const std::string& SampleFile, const std::string& Target);

}  // namespace sound
