#include "toolkit/notification_window.h"
