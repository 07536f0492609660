#pragma once
// One digest of what a device is given, so that a log tells which loads carried the same set.
#include <string>

#include "device/Engine.h"

namespace fleet {

// SHA-256 over each sound in order: its address (4 bytes), its sample count (8 bytes), both
// little-endian, then its samples as they go on the wire. Throws std::runtime_error naming a
// sample file that cannot be read.
std::string DigestOfPrepared(const TPreparedSounds& Sounds);

}  // namespace fleet
