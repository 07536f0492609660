#pragma once
// Hands line settings to the kernel with termios2, which also takes rates without a B
// constant (BOTHER). Kept apart: the kernel's termios2 header cannot share a translation unit
// with the C library's <termios.h>. Going to the kernel directly also keeps the kernel's own
// answer: the C library turns a setting a pseudo-terminal ignores (parity) into an error.
#include <cstdint>

namespace comm::detail {

// The kernel's line fields (same flag values as <termios.h>).
struct TLineFields {
  uint32_t iflag = 0, oflag = 0, cflag = 0, lflag = 0;
  uint8_t line = 0;
  uint8_t cc[19] = {};
};

// Sets the line. ArbitraryRate 0: the rate is the B constant in cflag; otherwise both
// directions run at ArbitraryRate. Actual receives the output rate read back (bits/s, or 0
// when only a B constant is known). Returns 0 or an errno value.
int ApplyLine(int Fd, const TLineFields& Fields, uint32_t ArbitraryRate, uint32_t& Actual);

}  // namespace comm::detail
