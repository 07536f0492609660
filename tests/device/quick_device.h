#pragma once
#include "devsim/devsim.h"

namespace fixtures {

// A device that erases in 100 ms and reads as fast as the host writes.
inline devsim::Options QuickDevice() {
  devsim::Options o;
  o.erase_ms = 100;
  o.line_rate = false;
  return o;
}

}  // namespace fixtures
