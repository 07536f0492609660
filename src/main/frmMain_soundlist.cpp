#include "main/frmMain.h"
