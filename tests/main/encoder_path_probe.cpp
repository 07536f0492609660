// Prints the encoder the program would run. The encoding test runs a copy of it from a private
// folder, so that its fake encoder never lies beside the programs of other tests.
#include <cstdio>

#include "device/EncoderCommand.h"

int main() {
  std::puts(EncoderPath().c_str());
  return 0;
}
