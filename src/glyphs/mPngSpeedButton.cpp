#include "glyphs/mPngSpeedButton.h"
