#include "devsim/devsim.h"
