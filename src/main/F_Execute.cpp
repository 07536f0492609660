#include "main/F_Execute.h"
