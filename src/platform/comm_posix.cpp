#include "platform/comm.h"
