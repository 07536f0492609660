#include "toolkit/speed_button.h"
