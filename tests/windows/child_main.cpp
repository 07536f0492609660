// A child for the process tests: writes its arguments to standard error, one per line, and
// exits with the number given as the first one.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) std::fprintf(stderr, "%s\n", argv[i]);
  return argc > 1 ? std::atoi(argv[1]) : 0;
}
