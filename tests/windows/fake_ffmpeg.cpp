// Stands in for ffmpeg in the Windows tests, since the build machine has no ffmpeg for
// Windows: it takes the argument list the engine passes (plain files named "file:<path>") and
// copies the input, which must be a canonical 8-bit mono 44100 Hz WAVE file (what the tests
// write), to the output unchanged.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv + 1, argv + argc);
  const std::vector<std::string> options{"-y", "-acodec", "pcm_u8", "-ar", "44100", "-ac", "1", "-sample_fmt", "u8", "-t"};
  const auto file = [](const std::string& Arg) { return Arg.rfind("file:", 0) == 0 && Arg.size() > 5; };
  if (a.size() != 16 || a[0] != "-protocol_whitelist" || a[1] != "file" || a[2] != "-i" || !file(a[3]) ||
      std::vector<std::string>(a.begin() + 4, a.end() - 2) != options || !file(a[15])) {
    std::fputs("ffmpeg stand-in: not the engine's argument list\n", stderr);
    return 1;
  }
  const std::string source = a[3].substr(5);
  std::ifstream in(source, std::ios::binary);
  const std::string wave(std::istreambuf_iterator<char>(in), {});
  // PCM, mono, 44100 Hz, 44100 bytes a second, one byte a frame, 8 bits.
  const std::string format("fmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x44\xac\0\0\x01\0\x08\0", 24);
  if (wave.size() < 44 || wave.compare(0, 4, "RIFF") != 0 || wave.compare(8, 4, "WAVE") != 0 ||
      wave.compare(12, 24, format) != 0 || wave.compare(36, 4, "data") != 0) {
    std::fprintf(stderr, "%s: Invalid data found when processing input\n", a[3].c_str());
    return 1;
  }
  std::ofstream out(a.back().substr(5), std::ios::binary);
  out << wave;
  return out.flush() ? 0 : 1;
}
