#include "glyphs/PngPaint.h"

#include <array>
#include <cmath>

namespace {

std::array<uint8_t, 256> GammaTable(uint32_t gamma) {
  std::array<uint8_t, 256> t{};
  const double exponent = 1.0 / (double(gamma) / 100000.0 * 2.2);
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(std::lround(std::pow(i / 255.0, exponent) * 255.0));
  return t;
}

}  // namespace

QImage PngToQImage(const TPngBitmap& Bitmap) {
  if (Bitmap.Empty()) return {};
  QImage out(int(Bitmap.Width), int(Bitmap.Height), QImage::Format_ARGB32);
  const bool corrected = Bitmap.Gamma != 0;
  const auto table = corrected ? GammaTable(Bitmap.Gamma) : std::array<uint8_t, 256>{};
  for (uint32_t y = 0; y < Bitmap.Height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(int(y)));
    for (uint32_t x = 0; x < Bitmap.Width; ++x) {
      TPngBitmap::Rgba p = Bitmap.PixelRgba(x, y);
      if (corrected) {
        p.R = table[p.R];
        p.G = table[p.G];
        p.B = table[p.B];
      }
      line[x] = qRgba(p.R, p.G, p.B, p.A);
    }
  }
  return out;
}
