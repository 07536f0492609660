// Stands in for ffmpeg in the Windows tests, since the build machine has no ffmpeg for
// Windows: it takes the argument list the engine passes and copies the input, which must be a
// canonical 8-bit mono 44100 Hz WAVE file (what the tests write), to the output unchanged.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

uint32_t Number(const std::string& Wave, size_t At, size_t Bytes) {
  uint32_t v = 0;
  for (size_t i = 0; i < Bytes; ++i) v |= uint32_t(uint8_t(Wave[At + i])) << (8 * i);
  return v;
}

bool Canonical(const std::string& Wave) {
  return Wave.size() >= 44 && Wave.compare(0, 4, "RIFF") == 0 && Wave.compare(8, 8, "WAVEfmt ") == 0 &&
         Number(Wave, 16, 4) == 16 && Number(Wave, 20, 2) == 1 && Number(Wave, 22, 2) == 1 &&
         Number(Wave, 24, 4) == 44100 && Number(Wave, 34, 2) == 8 && Wave.compare(36, 4, "data") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv + 1, argv + argc);
  const std::vector<std::string> options{"-y", "-acodec", "pcm_u8", "-ar", "44100", "-ac", "1", "-sample_fmt", "u8"};
  if (a.size() != 12 || a[0] != "-i" || std::vector<std::string>(a.begin() + 2, a.end() - 1) != options) {
    std::fputs("ffmpeg stand-in: not the engine's argument list\n", stderr);
    return 1;
  }
  std::ifstream in(a[1], std::ios::binary);
  const std::string wave(std::istreambuf_iterator<char>(in), {});
  if (!Canonical(wave)) {
    std::fprintf(stderr, "%s: Invalid data found when processing input\n", a[1].c_str());
    return 1;
  }
  std::ofstream out(a.back(), std::ios::binary);
  out << wave;
  return out.flush() ? 0 : 1;
}
