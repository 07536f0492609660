#include "toolkit/error_report.h"
