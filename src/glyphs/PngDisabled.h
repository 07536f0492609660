#pragma once
#include <cstdint>

#include "glyphs/PngBitmap.h"

// How a glyph image looks on a disabled button. Each rule changes the bitmap it is given;
// the button applies them to a copy of its image.

// n / 256 rounded to the nearest integer, ties to the even one.
uint8_t Div256RoundEven(uint32_t n);

// Fading. Alpha channels are scaled by (Factor + 1) / 256. RGB images get an opaque alpha
// channel first. Grey and palette images become RGBA with alpha Factor, except for
// transparent pixels (alpha 0). A single transparent colour becomes alpha 0.
void MakeImageBlended(TPngBitmap& Image, int Factor = 127);

// Greying. Every colour moves towards 0.3 R + 0.59 G + 0.11 B; Factor 255 gives exactly
// that grey. Palette images change their palette, grey images stay as they are.
void MakeImageGrayscale(TPngBitmap& Image, int Factor = 255);
