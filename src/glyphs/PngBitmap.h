#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// PNG colour types as the file's IHDR gives them.
enum class TPngColorType : uint8_t {
  Grayscale = 0,
  RGB = 2,
  Palette = 3,
  GrayscaleAlpha = 4,
  RGBAlpha = 6,
};

struct TPngRgb {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TPngRgb&) const = default;
};

// The decoded pixels of a PNG image, kept in the image's own colour type so that the
// disabled look can follow the colour type. Every sample is 8 bits wide whatever the
// file's bit depth: low depths are scaled up, 16-bit samples keep their high byte.
struct TPngBitmap {
  uint32_t Width = 0;
  uint32_t Height = 0;
  TPngColorType ColorType = TPngColorType::RGBAlpha;
  uint8_t BitDepth = 8;      // of the file
  bool Interlaced = false;   // of the file

  // Height rows of Width * Channels() samples, top row first. Palette images hold indices.
  std::vector<uint8_t> Pixels;
  std::vector<TPngRgb> Palette;
  // tRNS of a palette image, one alpha per entry; entries beyond its end are opaque.
  std::vector<uint8_t> PaletteAlpha;
  // Grey and RGB images with a transparent colour: one byte per pixel, 1 where the pixel
  // has that colour (compared at the file's bit depth). Empty when there is none.
  std::vector<uint8_t> TransparentMask;
  // gAMA times 100000; 0 when the image carries no gamma.
  uint32_t Gamma = 0;

  bool Empty() const { return Width == 0 || Height == 0; }
  bool HasAlphaChannel() const {
    return ColorType == TPngColorType::GrayscaleAlpha || ColorType == TPngColorType::RGBAlpha;
  }
  bool HasTransparentColor() const { return !TransparentMask.empty(); }
  int Channels() const;
  size_t RowBytes() const { return size_t(Width) * size_t(Channels()); }
  uint8_t* Row(uint32_t y) { return Pixels.data() + y * RowBytes(); }
  const uint8_t* Row(uint32_t y) const { return Pixels.data() + y * RowBytes(); }

  // Colour and alpha of one pixel as it is drawn (palette and transparency resolved,
  // no gamma). Alpha is 255 for opaque pixels.
  struct Rgba {
    uint8_t R, G, B, A;
    bool operator==(const Rgba&) const = default;
  };
  Rgba PixelRgba(uint32_t x, uint32_t y) const;
};
