#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "glyphs/PngBitmap.h"

// Data that are not a valid PNG file. The message says what is wrong.
class EPngError : public std::runtime_error {
 public:
  explicit EPngError(const std::string& Message) : std::runtime_error(Message) {}
};

struct TPngChunk {
  std::array<char, 4> Type{};
  std::vector<uint8_t> Data;
  std::string_view Name() const { return {Type.data(), Type.size()}; }
};

// A PNG image: the chunks of a complete PNG file and the pixels they decode to.
// Copyable; an empty image has no chunks and no pixels.
class TPngImage {
 public:
  // Largest image accepted, so that a forged header cannot ask for gigabytes.
  static constexpr uint32_t MaxSide = 8192;
  static constexpr uint64_t MaxPixels = uint64_t(1) << 22;

  TPngImage() = default;
  explicit TPngImage(std::span<const uint8_t> Bytes) { SetData(Bytes); }

  // The bytes of a complete PNG file. Setting them parses and decodes them; when that
  // fails an EPngError is raised and the image stays as it was. No bytes make the
  // image empty.
  std::vector<uint8_t> Data() const;
  void SetData(std::span<const uint8_t> Bytes);

  bool Empty() const { return Chunks_.empty(); }
  uint32_t Width() const { return Bitmap_.Width; }
  uint32_t Height() const { return Bitmap_.Height; }
  TPngColorType ColorType() const { return Bitmap_.ColorType; }
  int BitDepth() const { return Bitmap_.BitDepth; }

  const std::vector<TPngChunk>& Chunks() const { return Chunks_; }
  bool HasChunk(std::string_view Name) const;
  // Removes every chunk of that name; removing gAMA also drops the gamma from the
  // decoded pixels. Critical chunks cannot go (std::invalid_argument).
  void RemoveChunk(std::string_view Name);

  const TPngBitmap& Bitmap() const { return Bitmap_; }

 private:
  std::vector<TPngChunk> Chunks_;
  TPngBitmap Bitmap_;
};

// Splits a PNG file into its chunks, checking signature, lengths, CRCs and chunk order.
std::vector<TPngChunk> ParsePngChunks(std::span<const uint8_t> Bytes);
// Writes chunks back as a PNG file, with their CRCs.
std::vector<uint8_t> WritePngChunks(const std::vector<TPngChunk>& Chunks);
