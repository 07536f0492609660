#include "platform/port_map.h"
