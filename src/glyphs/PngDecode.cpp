#include "glyphs/PngDecode.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "glyphs/PngImage.h"

namespace {

// Everything the libpng pass fills lives here, outside the frame that calls setjmp, so a
// longjmp out of libpng never skips a destructor nor leaves a local indeterminate.
struct TRawPng {
  std::span<const uint8_t> Input;
  size_t Pos = 0;
  uint64_t MaxPixels = 0;
  std::string Error;

  png_uint_32 Width = 0, Height = 0;
  int BitDepth = 0, ColorType = 0, Interlace = 0;
  std::vector<uint8_t> Rows;  // after unpacking: one byte per sample below 8 bits
  size_t RowBytes = 0;
  std::vector<png_bytep> RowPointers;
  std::vector<TPngRgb> Palette;
  std::vector<uint8_t> PaletteAlpha;
  bool HasTransColor = false;
  png_color_16 TransColor{};
};

void OnError(png_structp png, png_const_charp message) {
  auto* raw = static_cast<TRawPng*>(png_get_error_ptr(png));
  raw->Error = message ? message : "libpng error";
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, png_size_t count) {
  auto* raw = static_cast<TRawPng*>(png_get_io_ptr(png));
  if (raw->Input.size() - raw->Pos < count) png_error(png, "truncated data");
  std::memcpy(out, raw->Input.data() + raw->Pos, count);
  raw->Pos += count;
}

struct TReadStruct {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  ~TReadStruct() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
};

// Returns false with raw.Error set when libpng rejects the data.
bool ReadRaw(TRawPng& raw, uint32_t MaxSide) {
  TReadStruct rs;
  rs.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &raw, OnError, OnWarning);
  if (!rs.Png) throw std::bad_alloc();
  rs.Info = png_create_info_struct(rs.Png);
  if (!rs.Info) throw std::bad_alloc();
  png_structp png = rs.Png;
  png_infop info = rs.Info;

  if (setjmp(png_jmpbuf(png))) return false;

  png_set_read_fn(png, &raw, OnRead);
  png_set_user_limits(png, MaxSide, MaxSide);
  png_read_info(png, info);
  png_get_IHDR(png, info, &raw.Width, &raw.Height, &raw.BitDepth, &raw.ColorType, &raw.Interlace,
               nullptr, nullptr);
  if (uint64_t(raw.Width) * raw.Height > raw.MaxPixels) png_error(png, "image too large");

  if (raw.BitDepth < 8) png_set_packing(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  raw.RowBytes = png_get_rowbytes(png, info);
  raw.Rows.resize(raw.RowBytes * raw.Height);
  raw.RowPointers.resize(raw.Height);
  for (png_uint_32 y = 0; y < raw.Height; ++y) raw.RowPointers[y] = raw.Rows.data() + y * raw.RowBytes;

  png_colorp palette = nullptr;
  int paletteSize = 0;
  if (png_get_PLTE(png, info, &palette, &paletteSize) & PNG_INFO_PLTE) {
    for (int i = 0; i < paletteSize; ++i) raw.Palette.push_back({palette[i].red, palette[i].green, palette[i].blue});
  }
  png_bytep transAlpha = nullptr;
  int transCount = 0;
  png_color_16p transColor = nullptr;
  if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColor) & PNG_INFO_tRNS) {
    if (raw.ColorType == PNG_COLOR_TYPE_PALETTE) {
      if (transAlpha) raw.PaletteAlpha.assign(transAlpha, transAlpha + transCount);
    } else if (transColor) {
      raw.HasTransColor = true;
      raw.TransColor = *transColor;
    }
  }

  png_read_image(png, raw.RowPointers.data());
  png_read_end(png, nullptr);
  return true;
}

// Sample i of a row at the file's depth (after unpacking).
uint16_t Sample(const uint8_t* row, size_t i, int depth) {
  if (depth == 16) return uint16_t((row[2 * i] << 8) | row[2 * i + 1]);
  return row[i];
}

uint8_t To8(uint16_t v, int depth) {
  switch (depth) {
    case 16: return uint8_t(v >> 8);
    case 8: return uint8_t(v);
    default: return uint8_t(v * 255 / ((1u << depth) - 1));
  }
}

}  // namespace

TPngBitmap DecodePng(std::span<const uint8_t> File, uint32_t MaxSide, uint64_t MaxPixels) {
  TRawPng raw;
  raw.Input = File;
  raw.MaxPixels = MaxPixels;
  if (!ReadRaw(raw, MaxSide)) throw EPngError("Invalid PNG image: " + raw.Error);

  TPngBitmap bmp;
  bmp.Width = raw.Width;
  bmp.Height = raw.Height;
  bmp.ColorType = TPngColorType(raw.ColorType);
  bmp.BitDepth = uint8_t(raw.BitDepth);
  bmp.Interlaced = raw.Interlace != PNG_INTERLACE_NONE;
  bmp.Palette = std::move(raw.Palette);
  bmp.PaletteAlpha = std::move(raw.PaletteAlpha);
  if (bmp.PaletteAlpha.size() > bmp.Palette.size()) bmp.PaletteAlpha.resize(bmp.Palette.size());

  const int channels = bmp.Channels();
  const bool palette = bmp.ColorType == TPngColorType::Palette;
  bmp.Pixels.resize(bmp.RowBytes() * bmp.Height);
  if (raw.HasTransColor) bmp.TransparentMask.assign(size_t(bmp.Width) * bmp.Height, 0);
  for (uint32_t y = 0; y < bmp.Height; ++y) {
    const uint8_t* in = raw.RowPointers[y];
    uint8_t* out = bmp.Row(y);
    for (uint32_t x = 0; x < bmp.Width; ++x) {
      const size_t base = size_t(x) * channels;
      for (int c = 0; c < channels; ++c) {
        const uint16_t v = Sample(in, base + c, raw.BitDepth);
        out[base + c] = palette ? uint8_t(v) : To8(v, raw.BitDepth);
      }
      if (raw.HasTransColor) {
        bool match;
        if (bmp.ColorType == TPngColorType::Grayscale) {
          match = Sample(in, base, raw.BitDepth) == raw.TransColor.gray;
        } else {
          match = Sample(in, base, raw.BitDepth) == raw.TransColor.red &&
                  Sample(in, base + 1, raw.BitDepth) == raw.TransColor.green &&
                  Sample(in, base + 2, raw.BitDepth) == raw.TransColor.blue;
        }
        bmp.TransparentMask[size_t(y) * bmp.Width + x] = match ? 1 : 0;
      }
    }
  }
  return bmp;
}
