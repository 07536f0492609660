#include "platform/temp_dir.h"
