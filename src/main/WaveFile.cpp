#include "main/WaveFile.h"
