// The disabled look: fading and greying of decoded images.
#include <gtest/gtest.h>

#include "glyphs/PngDisabled.h"
#include "glyphs/PngImage.h"
#include "test_png.h"

namespace {

TPngBitmap Decode(const TTestPng& p) { return TPngImage(EncodeTestPng(p)).Bitmap(); }

TTestPng Row(int colorType, std::vector<uint16_t> samples) {
  TTestPng p;
  p.ColorType = colorType;
  p.Width = uint32_t(samples.size() / TestChannels(colorType));
  p.Samples = std::move(samples);
  return p;
}

std::vector<uint8_t> Alphas(const TPngBitmap& b) {
  std::vector<uint8_t> a;
  for (uint32_t x = 0; x < b.Width; ++x) a.push_back(b.PixelRgba(x, 0).A);
  return a;
}

}  // namespace

TEST(PngDisabled, FadingHalvesAlphaTiesToEven) {
  TPngBitmap b = Decode(Row(6, {9, 8, 7, 255, 9, 8, 7, 1, 9, 8, 7, 3, 9, 8, 7, 5, 9, 8, 7, 254, 9, 8, 7, 0}));
  MakeImageBlended(b);
  EXPECT_EQ(b.ColorType, TPngColorType::RGBAlpha);
  EXPECT_EQ(Alphas(b), (std::vector<uint8_t>{128, 0, 2, 2, 127, 0}));
  EXPECT_EQ(b.PixelRgba(0, 0), (TPngBitmap::Rgba{9, 8, 7, 128}));  // colours untouched

  TPngBitmap ga = Decode(Row(4, {50, 255, 50, 3}));
  MakeImageBlended(ga);
  EXPECT_EQ(ga.ColorType, TPngColorType::GrayscaleAlpha);
  EXPECT_EQ(Alphas(ga), (std::vector<uint8_t>{128, 2}));
}

TEST(PngDisabled, FadingByColourType) {
  // RGB gets an opaque alpha channel first; its transparent colour ends at 0.
  TTestPng rgb = Row(2, {1, 2, 3, 4, 5, 6});
  rgb.TransparentColor = std::vector<uint16_t>{4, 5, 6};
  TPngBitmap b = Decode(rgb);
  MakeImageBlended(b);
  EXPECT_EQ(b.ColorType, TPngColorType::RGBAlpha);
  EXPECT_FALSE(b.HasTransparentColor());
  EXPECT_EQ(b.PixelRgba(0, 0), (TPngBitmap::Rgba{1, 2, 3, 128}));
  EXPECT_EQ(b.PixelRgba(1, 0).A, 0);

  // Grey and palette images are rebuilt with alpha 127, 0 where transparent.
  TTestPng grey = Row(0, {40, 41});
  grey.TransparentColor = std::vector<uint16_t>{41};
  TPngBitmap g = Decode(grey);
  MakeImageBlended(g);
  EXPECT_EQ(g.ColorType, TPngColorType::RGBAlpha);
  EXPECT_EQ(g.PixelRgba(0, 0), (TPngBitmap::Rgba{40, 40, 40, 127}));
  EXPECT_EQ(g.PixelRgba(1, 0).A, 0);

  TTestPng pal = Row(3, {0, 1, 2});
  pal.Palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  pal.PaletteAlpha = {0, 255, 200};
  TPngBitmap p = Decode(pal);
  MakeImageBlended(p);
  EXPECT_EQ(p.ColorType, TPngColorType::RGBAlpha);
  EXPECT_EQ(p.PixelRgba(0, 0).A, 0);
  EXPECT_EQ(p.PixelRgba(1, 0), (TPngBitmap::Rgba{40, 50, 60, 127}));
  EXPECT_EQ(p.PixelRgba(2, 0), (TPngBitmap::Rgba{70, 80, 90, 100}));  // soft edge fades
}

TEST(PngDisabled, Greying) {
  // 0.3 R + 0.59 G + 0.11 B: (13, 200, 90) gives 131.8, (0, 255, 0) 150.45, (0, 0, 255) 28.05.
  TPngBitmap rgb = Decode(Row(2, {13, 200, 90, 0, 255, 0, 0, 0, 255}));
  MakeImageGrayscale(rgb);
  EXPECT_EQ(rgb.Pixels, (std::vector<uint8_t>{132, 132, 132, 150, 150, 150, 28, 28, 28}));

  TPngBitmap rgba = Decode(Row(6, {13, 200, 90, 77}));
  MakeImageGrayscale(rgba);
  EXPECT_EQ(rgba.PixelRgba(0, 0), (TPngBitmap::Rgba{132, 132, 132, 77}));

  TTestPng pal = Row(3, {1, 0});
  pal.Palette = {0, 255, 0, 13, 200, 90};
  TPngBitmap p = Decode(pal);
  MakeImageGrayscale(p);
  EXPECT_EQ(p.ColorType, TPngColorType::Palette);
  EXPECT_EQ(p.Pixels, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(p.Palette, (std::vector<TPngRgb>{{150, 150, 150}, {132, 132, 132}}));

  TPngBitmap grey = Decode(Row(4, {33, 44}));
  const TPngBitmap before = grey;
  MakeImageGrayscale(grey);
  EXPECT_EQ(grey.Pixels, before.Pixels);
}

TEST(PngDisabled, FadeThenGrey) {
  TTestPng pal = Row(3, {0});
  pal.Palette = {13, 200, 90};
  TPngBitmap b = Decode(pal);
  MakeImageBlended(b);
  MakeImageGrayscale(b);
  EXPECT_EQ(b.PixelRgba(0, 0), (TPngBitmap::Rgba{132, 132, 132, 127}));
}
