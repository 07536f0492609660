#include "glyphs/PngBitmap.h"

int TPngBitmap::Channels() const {
  switch (ColorType) {
    case TPngColorType::Grayscale: return 1;
    case TPngColorType::RGB: return 3;
    case TPngColorType::Palette: return 1;
    case TPngColorType::GrayscaleAlpha: return 2;
    case TPngColorType::RGBAlpha: return 4;
  }
  return 1;
}

TPngBitmap::Rgba TPngBitmap::PixelRgba(uint32_t x, uint32_t y) const {
  const uint8_t* p = Row(y) + size_t(x) * size_t(Channels());
  const bool clear = HasTransparentColor() && TransparentMask[size_t(y) * Width + x] != 0;
  switch (ColorType) {
    case TPngColorType::Grayscale: return {p[0], p[0], p[0], uint8_t(clear ? 0 : 255)};
    case TPngColorType::RGB: return {p[0], p[1], p[2], uint8_t(clear ? 0 : 255)};
    case TPngColorType::GrayscaleAlpha: return {p[0], p[0], p[0], p[1]};
    case TPngColorType::RGBAlpha: return {p[0], p[1], p[2], p[3]};
    case TPngColorType::Palette: {
      // An index past the palette's end is not valid PNG; draw it black rather than read
      // beyond the palette.
      if (p[0] >= Palette.size()) return {0, 0, 0, 255};
      const TPngRgb& c = Palette[p[0]];
      const uint8_t a = p[0] < PaletteAlpha.size() ? PaletteAlpha[p[0]] : 255;
      return {c.R, c.G, c.B, a};
    }
  }
  return {0, 0, 0, 0};
}
