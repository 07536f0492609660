#include "platform/exe_path.h"
