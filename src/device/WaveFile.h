#pragma once
// Where the samples lie in the encoder's WAVE file.
#include <cstdint>
#include <optional>
#include <string>

class TFile;

struct TWaveData {
  int64_t Offset = 0;  // of the first sample byte
  uint32_t Size = 0;   // number of sample bytes
};

// Walks the RIFF chunks and returns the `data` chunk: exactly the bytes its size field
// counts, nothing of the header chunks before it (ffmpeg writes a LIST chunk there) and no
// pad byte after it. Only 8-bit mono PCM at 44100 Hz is accepted, as that is what the
// device plays. On failure Why (when given) tells what is wrong with the file.
std::optional<TWaveData> FindWaveData(TFile& File, std::string* Why = nullptr);
std::optional<TWaveData> FindWaveData(const std::string& FileName, std::string* Why = nullptr);
