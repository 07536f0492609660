#pragma once
#include <QImage>

#include "glyphs/PngBitmap.h"

// The bitmap as a Qt image with straight alpha, ready to be drawn over a button face.
// A gamma the image carries is corrected for a display of gamma 2.2.
QImage PngToQImage(const TPngBitmap& Bitmap);
