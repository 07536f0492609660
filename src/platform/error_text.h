#pragma once
// The system's own words for one of its error codes.
#include <cstdint>
#include <string>

namespace platform {

// errno values on Linux, GetLastError() values on Windows; without a final full stop.
std::string SystemErrorText(uint32_t Code);

}  // namespace platform
