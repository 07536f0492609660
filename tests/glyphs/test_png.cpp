#include "test_png.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <stdexcept>

int TestChannels(int ColorType) {
  switch (ColorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

namespace {
void OnWrite(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void OnFlush(png_structp) {}
void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
}  // namespace

std::vector<uint8_t> EncodeTestPng(const TTestPng& p) {
  std::vector<uint8_t> out;
  const int channels = TestChannels(p.ColorType);
  const size_t perRow = size_t(p.Width) * channels;
  std::vector<std::vector<uint8_t>> rows(p.Height);
  for (uint32_t y = 0; y < p.Height; ++y) {
    for (size_t i = 0; i < perRow; ++i) {
      const uint16_t v = p.Samples.at(y * perRow + i);
      if (p.BitDepth == 16) {
        rows[y].push_back(uint8_t(v >> 8));
        rows[y].push_back(uint8_t(v));
      } else {
        rows[y].push_back(uint8_t(v));
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());

  std::vector<png_color> pal;
  for (size_t i = 0; i + 2 < p.Palette.size(); i += 3) pal.push_back({p.Palette[i], p.Palette[i + 1], p.Palette[i + 2]});
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng cannot write the test image");
  }
  {
    png_set_write_fn(png, &out, OnWrite, OnFlush);
    png_set_IHDR(png, info, p.Width, p.Height, p.BitDepth, p.ColorType,
                 p.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!pal.empty()) png_set_PLTE(png, info, pal.data(), int(pal.size()));
    if (!p.PaletteAlpha.empty()) png_set_tRNS(png, info, p.PaletteAlpha.data(), int(p.PaletteAlpha.size()), nullptr);
    if (p.TransparentColor) {
      png_color_16 c{};
      const auto& t = *p.TransparentColor;
      if (t.size() == 1) c.gray = t[0];
      else { c.red = t[0]; c.green = t[1]; c.blue = t[2]; }
      png_set_tRNS(png, info, nullptr, 0, &c);
    }
    if (p.Gamma) png_set_gAMA_fixed(png, info, png_fixed_point(*p.Gamma));
    png_write_info(png, info);
    if (p.BitDepth < 8) png_set_packing(png);
    png_set_interlace_handling(png);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> SolidRgbaPng(uint32_t W, uint32_t H, uint8_t R, uint8_t G, uint8_t B, uint8_t A) {
  TTestPng p;
  p.Width = W;
  p.Height = H;
  for (uint32_t i = 0; i < W * H; ++i) p.Samples.insert(p.Samples.end(), {R, G, B, A});
  return EncodeTestPng(p);
}

void FixChunkCrc(std::vector<uint8_t>& f, size_t o) {
  const uint32_t len = (uint32_t(f[o]) << 24) | (f[o + 1] << 16) | (f[o + 2] << 8) | f[o + 3];
  const uint32_t crc = uint32_t(crc32(0, f.data() + o + 4, len + 4));
  for (int i = 0; i < 4; ++i) f[o + 8 + len + i] = uint8_t(crc >> (24 - 8 * i));
}

size_t FindChunk(const std::vector<uint8_t>& f, const std::string& type) {
  size_t o = 8;
  while (o + 12 <= f.size()) {
    const uint32_t len = (uint32_t(f[o]) << 24) | (f[o + 1] << 16) | (f[o + 2] << 8) | f[o + 3];
    if (std::memcmp(f.data() + o + 4, type.data(), 4) == 0) return o;
    o += 12 + len;
  }
  return std::string::npos;
}
