#pragma once
// Builds PNG files of any colour type, depth and interlacing for the tests, with libpng.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TTestPng {
  uint32_t Width = 1, Height = 1;
  int ColorType = 6;
  int BitDepth = 8;
  bool Interlaced = false;
  // Width * Height * channels samples at the file's depth, top row first.
  std::vector<uint16_t> Samples;
  std::vector<uint8_t> Palette;        // r, g, b per entry
  std::vector<uint8_t> PaletteAlpha;   // tRNS of a palette image
  std::optional<std::vector<uint16_t>> TransparentColor;  // grey, or r g b
  std::optional<uint32_t> Gamma;       // gAMA times 100000
};

int TestChannels(int ColorType);
std::vector<uint8_t> EncodeTestPng(const TTestPng& Png);
// A solid RGBA image, 8 bits.
std::vector<uint8_t> SolidRgbaPng(uint32_t W, uint32_t H, uint8_t R, uint8_t G, uint8_t B, uint8_t A);
// Rewrites the CRC of the chunk that starts at Offset (its length field).
void FixChunkCrc(std::vector<uint8_t>& File, size_t Offset);
// Offset of the first chunk of that type, or npos.
size_t FindChunk(const std::vector<uint8_t>& File, const std::string& Type);
