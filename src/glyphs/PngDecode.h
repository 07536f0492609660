#pragma once
#include <cstdint>
#include <span>

#include "glyphs/PngBitmap.h"

// Decodes a complete PNG file with libpng: every colour type and bit depth, interlaced
// or not. Raises EPngError (glyphs/PngImage.h) for data libpng rejects and for images
// wider or higher than MaxSide or with more than MaxPixels pixels. Gamma is left to the
// caller.
TPngBitmap DecodePng(std::span<const uint8_t> File, uint32_t MaxSide, uint64_t MaxPixels);
