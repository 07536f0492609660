#pragma once
// Line speeds without a B constant (termios2/BOTHER). Kept apart: the kernel's termios2 header
// cannot share a translation unit with the C library's <termios.h>.
#include <cstdint>

namespace comm::detail {
// Sets input and output speed to Rate and reads back what the driver took.
// Returns 0 or an errno value.
int SetArbitrarySpeed(int Fd, uint32_t Rate, uint32_t& Actual);
}  // namespace comm::detail
