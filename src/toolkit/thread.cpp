#include "toolkit/thread.h"
