#include "glyphs/PngDisabled.h"

#include <vector>

uint8_t Div256RoundEven(uint32_t n) {
  uint32_t q = n >> 8;
  const uint32_t r = n & 0xff;
  if (r > 128 || (r == 128 && (q & 1))) ++q;
  return uint8_t(q > 255 ? 255 : q);
}

namespace {

uint8_t FadeAlpha(uint8_t a, int factor) { return Div256RoundEven(uint32_t(a) * uint32_t(factor + 1)); }

// 0.3 R + 0.59 G + 0.11 B in hundredths, rounded like the fading.
uint8_t GrayOf(uint8_t r, uint8_t g, uint8_t b) {
  const uint32_t h = 30u * r + 59u * g + 11u * b;
  uint32_t q = h / 100;
  const uint32_t rest = h % 100;
  if (rest > 50 || (rest == 50 && (q & 1))) ++q;
  return uint8_t(q);
}

uint8_t MixGray(uint8_t c, uint8_t gray, int factor) {
  const int v = Div256RoundEven(uint32_t(c) * uint32_t(255 - factor)) +
                Div256RoundEven(uint32_t(gray) * uint32_t(factor + 1));
  return uint8_t(v > 255 ? 255 : v);
}

void AddOpaqueAlpha(TPngBitmap& img) {
  std::vector<uint8_t> out(size_t(img.Width) * img.Height * 4);
  const size_t n = size_t(img.Width) * img.Height;
  for (size_t i = 0; i < n; ++i) {
    out[4 * i] = img.Pixels[3 * i];
    out[4 * i + 1] = img.Pixels[3 * i + 1];
    out[4 * i + 2] = img.Pixels[3 * i + 2];
    out[4 * i + 3] = 255;
  }
  img.Pixels = std::move(out);
  img.ColorType = TPngColorType::RGBAlpha;
}

// Grey or palette image rebuilt as RGBA: opaque pixels get alpha `factor`.
void RebuildWithAlpha(TPngBitmap& img, int factor) {
  const size_t n = size_t(img.Width) * img.Height;
  std::vector<uint8_t> out(n * 4);
  for (uint32_t y = 0; y < img.Height; ++y) {
    for (uint32_t x = 0; x < img.Width; ++x) {
      const TPngBitmap::Rgba p = img.PixelRgba(x, y);
      uint8_t a;
      if (p.A == 0) {
        a = 0;
      } else if (p.A == 255) {
        a = uint8_t(factor);
      } else {
        // A palette entry of partial transparency fades like an alpha channel, so that
        // soft edges do not turn more opaque than the enabled image.
        a = FadeAlpha(p.A, factor);
      }
      uint8_t* o = out.data() + (size_t(y) * img.Width + x) * 4;
      o[0] = p.R;
      o[1] = p.G;
      o[2] = p.B;
      o[3] = a;
    }
  }
  img.Pixels = std::move(out);
  img.ColorType = TPngColorType::RGBAlpha;
  img.Palette.clear();
  img.PaletteAlpha.clear();
  img.TransparentMask.clear();
}

}  // namespace

void MakeImageBlended(TPngBitmap& Image, int Factor) {
  if (Image.Empty()) return;
  switch (Image.ColorType) {
    case TPngColorType::Grayscale:
    case TPngColorType::Palette:
      RebuildWithAlpha(Image, Factor);
      return;
    case TPngColorType::RGB:
      AddOpaqueAlpha(Image);
      break;
    case TPngColorType::GrayscaleAlpha:
    case TPngColorType::RGBAlpha:
      break;
  }
  const int channels = Image.Channels();
  const size_t n = size_t(Image.Width) * Image.Height;
  for (size_t i = 0; i < n; ++i) {
    uint8_t& a = Image.Pixels[i * channels + channels - 1];
    a = Image.HasTransparentColor() && Image.TransparentMask[i] ? 0 : FadeAlpha(a, Factor);
  }
  // The transparent colour now lives in the alpha channel.
  Image.TransparentMask.clear();
}

void MakeImageGrayscale(TPngBitmap& Image, int Factor) {
  if (Image.Empty()) return;
  auto grey = [Factor](uint8_t& r, uint8_t& g, uint8_t& b) {
    const uint8_t v = GrayOf(r, g, b);
    r = MixGray(r, v, Factor);
    g = MixGray(g, v, Factor);
    b = MixGray(b, v, Factor);
  };
  switch (Image.ColorType) {
    case TPngColorType::Grayscale:
    case TPngColorType::GrayscaleAlpha:
      return;
    case TPngColorType::Palette:
      for (TPngRgb& c : Image.Palette) grey(c.R, c.G, c.B);
      return;
    case TPngColorType::RGB:
    case TPngColorType::RGBAlpha: {
      const int channels = Image.Channels();
      const size_t n = size_t(Image.Width) * Image.Height;
      for (size_t i = 0; i < n; ++i) {
        uint8_t* p = Image.Pixels.data() + i * channels;
        grey(p[0], p[1], p[2]);
      }
      return;
    }
  }
}
