// Decoding, chunks and the rejection of bad data.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "glyphs/PngDisabled.h"
#include "glyphs/PngImage.h"
#include "test_png.h"

namespace {

uint8_t Expected8(uint16_t v, int depth, bool palette) {
  if (palette) return uint8_t(v);
  if (depth == 16) return uint8_t(v >> 8);
  if (depth == 8) return uint8_t(v);
  return uint8_t(v * 255 / ((1 << depth) - 1));
}

TTestPng RandomPng(int colorType, int depth, bool interlaced, uint32_t w, uint32_t h, unsigned seed) {
  std::mt19937 rng(seed);
  TTestPng p;
  p.Width = w;
  p.Height = h;
  p.ColorType = colorType;
  p.BitDepth = depth;
  p.Interlaced = interlaced;
  const uint32_t limit = 1u << depth;
  for (size_t i = 0; i < size_t(w) * h * TestChannels(colorType); ++i) p.Samples.push_back(uint16_t(rng() % limit));
  if (colorType == 3)
    for (uint32_t i = 0; i < (1u << depth) * 3; ++i) p.Palette.push_back(uint8_t(rng()));
  return p;
}

std::vector<uint8_t> ValidFile() {
  TTestPng p = RandomPng(6, 8, false, 5, 4, 7);
  p.Gamma = 45455;
  return EncodeTestPng(p);
}

void ExpectRejected(const std::vector<uint8_t>& bytes, const std::string& part) {
  TPngImage image(ValidFile());
  const std::vector<uint8_t> before = image.Data();
  try {
    image.SetData(bytes);
    ADD_FAILURE() << "accepted bad data, expected: " << part;
  } catch (const EPngError& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.rfind("Invalid PNG image: ", 0), 0u) << what;
    EXPECT_NE(what.find(part), std::string::npos) << what;
  }
  EXPECT_EQ(image.Data(), before);
  EXPECT_EQ(image.Width(), 5u);
}

}  // namespace

TEST(PngDecode, EveryColourTypeDepthAndInterlacing) {
  const std::pair<int, std::vector<int>> kinds[] = {
      {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
  unsigned seed = 1;
  for (const auto& [type, depths] : kinds) {
    for (int depth : depths) {
      for (bool interlaced : {false, true}) {
        SCOPED_TRACE("type " + std::to_string(type) + " depth " + std::to_string(depth) +
                     (interlaced ? " interlaced" : ""));
        const TTestPng p = RandomPng(type, depth, interlaced, 13, 11, seed++);
        const TPngImage image(EncodeTestPng(p));
        const TPngBitmap& b = image.Bitmap();
        ASSERT_EQ(b.Width, 13u);
        ASSERT_EQ(b.Height, 11u);
        EXPECT_EQ(int(b.ColorType), type);
        EXPECT_EQ(b.BitDepth, depth);
        EXPECT_EQ(b.Interlaced, interlaced);
        ASSERT_EQ(b.Pixels.size(), p.Samples.size());
        for (size_t i = 0; i < p.Samples.size(); ++i)
          ASSERT_EQ(b.Pixels[i], Expected8(p.Samples[i], depth, type == 3)) << "sample " << i;
        if (type == 3) {
          ASSERT_EQ(b.Palette.size(), size_t(1) << depth);
          EXPECT_EQ(b.Palette[1], (TPngRgb{p.Palette[3], p.Palette[4], p.Palette[5]}));
        }
      }
    }
  }
}

TEST(PngDecode, Transparency) {
  // Grey 16 bit: the transparent value is compared at full depth, not after reduction.
  TTestPng grey;
  grey.Width = 3;
  grey.ColorType = 0;
  grey.BitDepth = 16;
  grey.Samples = {0x1234, 0x12ff, 0xffff};
  grey.TransparentColor = std::vector<uint16_t>{0x1234};
  const TPngBitmap g = TPngImage(EncodeTestPng(grey)).Bitmap();
  EXPECT_EQ(g.TransparentMask, (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_EQ(g.PixelRgba(0, 0).A, 0);
  EXPECT_EQ(g.PixelRgba(1, 0), (TPngBitmap::Rgba{0x12, 0x12, 0x12, 255}));

  TTestPng rgb;
  rgb.Width = 2;
  rgb.ColorType = 2;
  rgb.Samples = {10, 20, 30, 10, 20, 31};
  rgb.TransparentColor = std::vector<uint16_t>{10, 20, 30};
  EXPECT_EQ(TPngImage(EncodeTestPng(rgb)).Bitmap().TransparentMask, (std::vector<uint8_t>{1, 0}));

  TTestPng pal;
  pal.Width = 4;
  pal.ColorType = 3;
  pal.Samples = {0, 1, 2, 3};
  pal.Palette = {1, 2, 3, 4, 5, 6, 7, 8, 9};  // three entries: index 3 is out of range
  pal.PaletteAlpha = {0, 100};
  const TPngBitmap pb = TPngImage(EncodeTestPng(pal)).Bitmap();
  EXPECT_EQ(pb.PixelRgba(0, 0), (TPngBitmap::Rgba{1, 2, 3, 0}));
  EXPECT_EQ(pb.PixelRgba(1, 0), (TPngBitmap::Rgba{4, 5, 6, 100}));
  EXPECT_EQ(pb.PixelRgba(2, 0), (TPngBitmap::Rgba{7, 8, 9, 255}));
  EXPECT_EQ(pb.PixelRgba(3, 0), (TPngBitmap::Rgba{0, 0, 0, 255}));
}

TEST(PngImage, DataChunksAndGamma) {
  const std::vector<uint8_t> file = ValidFile();
  std::vector<uint8_t> withTrailer = file;
  withTrailer.insert(withTrailer.end(), {1, 2, 3});
  TPngImage image(withTrailer);
  EXPECT_EQ(image.Data(), file);  // the bytes after IEND are no part of it
  ASSERT_GE(image.Chunks().size(), 4u);
  EXPECT_EQ(image.Chunks().front().Name(), "IHDR");
  EXPECT_EQ(image.Chunks().back().Name(), "IEND");
  EXPECT_TRUE(image.HasChunk("gAMA"));
  EXPECT_EQ(image.Bitmap().Gamma, 45455u);

  image.RemoveChunk("gAMA");
  EXPECT_FALSE(image.HasChunk("gAMA"));
  EXPECT_EQ(image.Bitmap().Gamma, 0u);
  EXPECT_EQ(TPngImage(image.Data()).Bitmap().Pixels, image.Bitmap().Pixels);  // still a valid file
  EXPECT_THROW(image.RemoveChunk("IDAT"), std::invalid_argument);

  image.SetData({});
  EXPECT_TRUE(image.Empty());
  EXPECT_TRUE(image.Data().empty());
  EXPECT_TRUE(image.Bitmap().Empty());
}

TEST(PngImage, RejectsBadDataAndKeepsItsImage) {
  const std::vector<uint8_t> good = ValidFile();

  std::vector<uint8_t> sig = good;
  sig[1] = 'Q';
  ExpectRejected(sig, "wrong signature");
  ExpectRejected({0x89, 'P', 'N'}, "wrong signature");

  // Every cut of the file short of IEND's end.
  for (size_t n = 1; n < good.size(); ++n) {
    SCOPED_TRACE("cut at " + std::to_string(n));
    ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + n), n < 8 ? "signature" : "truncated");
  }

  std::vector<uint8_t> crc = good;
  crc[FindChunk(crc, "IDAT") + 9] ^= 0x40;
  ExpectRejected(crc, "bad CRC in chunk IDAT");

  // Forged headers with correct CRCs: huge sides and too many pixels are refused before
  // anything is allocated.
  auto withSize = [&](uint32_t w, uint32_t h) {
    std::vector<uint8_t> f = good;
    for (int i = 0; i < 4; ++i) {
      f[16 + i] = uint8_t(w >> (24 - 8 * i));
      f[20 + i] = uint8_t(h >> (24 - 8 * i));
    }
    FixChunkCrc(f, 8);
    return f;
  };
  ExpectRejected(withSize(0x7fffffff, 0x7fffffff), "image too large (2147483647 x 2147483647 pixels)");
  ExpectRejected(withSize(100000, 3), "image too large");
  ExpectRejected(withSize(8000, 8000), "image too large");
  ExpectRejected(withSize(0, 4), "width or height is 0");

  std::vector<uint8_t> depth = good;
  depth[24] = 3;  // no such bit depth
  FixChunkCrc(depth, 8);
  ExpectRejected(depth, "Invalid PNG image");

  // Image data that do not inflate, behind a correct CRC.
  std::vector<uint8_t> zlib = good;
  const size_t idat = FindChunk(zlib, "IDAT");
  for (size_t i = idat + 10; i < idat + 16; ++i) zlib[i] = 0xff;
  FixChunkCrc(zlib, idat);
  ExpectRejected(zlib, "Invalid PNG image");

  std::vector<uint8_t> order = good;
  std::memcpy(order.data() + 12, "IDAT", 4);
  FixChunkCrc(order, 8);
  ExpectRejected(order, "IHDR is not the first chunk");

  // A palette image without its palette.
  TTestPng palette = RandomPng(3, 8, false, 2, 2, 3);
  std::vector<uint8_t> f = EncodeTestPng(palette);
  const size_t plte = FindChunk(f, "PLTE");
  f.erase(f.begin() + plte, f.begin() + plte + 12 + 256 * 3);
  ExpectRejected(f, "Invalid PNG image");
}

TEST(PngImage, DamagedChunksBehindGoodCrcsNeverCrash) {
  // Damage inside chunks whose CRCs are then made right, so libpng sees it; every result
  // must be a decoded image or the clear error. Meant for the AddressSanitizer build too.
  TTestPng palette = RandomPng(3, 4, true, 9, 7, 11);
  palette.PaletteAlpha = {0, 128, 255};
  TTestPng grey = RandomPng(0, 2, false, 17, 5, 12);
  grey.TransparentColor = std::vector<uint16_t>{1};
  const std::vector<uint8_t> files[] = {ValidFile(), EncodeTestPng(palette), EncodeTestPng(grey),
                                        EncodeTestPng(RandomPng(4, 16, true, 6, 9, 13))};
  std::mt19937 rng(99);
  int rejected = 0;
  for (const std::vector<uint8_t>& good : files) {
    for (int round = 0; round < 400; ++round) {
      std::vector<uint8_t> f = good;
      const char* types[] = {"IHDR", "IDAT", "PLTE", "tRNS"};
      const size_t at = FindChunk(f, types[rng() % 4]);
      if (at == std::string::npos) continue;
      const uint32_t len = (uint32_t(f[at]) << 24) | (f[at + 1] << 16) | (f[at + 2] << 8) | f[at + 3];
      if (len == 0) continue;
      for (int n = 1 + int(rng() % 3); n > 0; --n) f[at + 8 + rng() % len] = uint8_t(rng());
      FixChunkCrc(f, at);
      TPngImage image;
      try {
        image.SetData(f);
        const TPngBitmap& b = image.Bitmap();
        ASSERT_EQ(b.Pixels.size(), b.RowBytes() * b.Height);
        for (uint32_t y = 0; y < b.Height; ++y)
          for (uint32_t x = 0; x < b.Width; ++x) (void)b.PixelRgba(x, y);
        TPngBitmap disabled = b;
        MakeImageBlended(disabled);
        MakeImageGrayscale(disabled);
        ASSERT_EQ(disabled.Pixels.size(), disabled.RowBytes() * disabled.Height);
      } catch (const EPngError&) {
        ++rejected;
        EXPECT_TRUE(image.Empty());
      }
    }
  }
  EXPECT_GT(rejected, 100);
}
