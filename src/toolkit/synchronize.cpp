#include "toolkit/synchronize.h"
