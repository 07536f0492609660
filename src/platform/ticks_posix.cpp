#include "platform/ticks.h"
