#pragma once
// Sound files for the engine's tests, written without any toolkit.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/temp_dir.h"

namespace fixtures {

inline void Put32(std::string& Out, uint32_t V) {
  for (int i = 0; i < 4; ++i) Out += char((V >> (8 * i)) & 0xFF);
}
inline void Put16(std::string& Out, uint16_t V) {
  Out += char(V & 0xFF);
  Out += char(V >> 8);
}

// A canonical 8-bit mono 44100 Hz WAVE file holding Samples.
inline void WriteWav(const std::string& Path, const std::vector<uint8_t>& Samples) {
  std::string w = "RIFF";
  Put32(w, uint32_t(36 + Samples.size() + (Samples.size() & 1)));
  w += "WAVEfmt ";
  Put32(w, 16);
  Put16(w, 1);
  Put16(w, 1);
  Put32(w, 44100);
  Put32(w, 44100);
  Put16(w, 1);
  Put16(w, 8);
  w += "data";
  Put32(w, uint32_t(Samples.size()));
  w.append(Samples.begin(), Samples.end());
  if (Samples.size() & 1) w += '\0';
  std::FILE* f = std::fopen(Path.c_str(), "wb");
  std::fwrite(w.data(), 1, w.size(), f);
  std::fclose(f);
}

// Samples that cover every byte value, 0x00 among them, N long.
inline std::vector<uint8_t> Ramp(size_t N, uint8_t Start = 0) {
  std::vector<uint8_t> s(N);
  for (size_t i = 0; i < N; ++i) s[i] = uint8_t(Start + i * 7);
  return s;
}

// What the device must receive for Samples: 0x00 goes as 0x01.
inline std::vector<uint8_t> OnTheWire(std::vector<uint8_t> Samples) {
  for (auto& s : Samples)
    if (s == 0) s = 1;
  return Samples;
}

}  // namespace fixtures
