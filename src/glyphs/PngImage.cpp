#include "glyphs/PngImage.h"
