#include "toolkit/qt_wakeup.h"
