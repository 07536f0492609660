#include "serial/CPortTypes.h"
