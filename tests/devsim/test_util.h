#pragma once
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "devsim/devsim.h"
#include "host_port.h"

namespace devsim_test {

// A private folder, removed with everything in it.
class TTempDir {
 public:
  TTempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "devsim-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = tmpl;
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& path) {
  Bytes b = ReadFile(path);
  return std::string(b.begin(), b.end());
}

// The WAVE file a player expects for 8-bit mono 44100 Hz samples, spelled out by hand.
inline Bytes ExpectedWave(const Bytes& samples) {
  const std::uint32_t n = std::uint32_t(samples.size()), pad = n & 1, riff = 36 + n + pad;
  Bytes w = {'R', 'I', 'F', 'F',
             std::uint8_t(riff), std::uint8_t(riff >> 8), std::uint8_t(riff >> 16), std::uint8_t(riff >> 24),
             'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
             1, 0, 1, 0,              // PCM, mono
             0x44, 0xAC, 0, 0,        // 44100 Hz
             0x44, 0xAC, 0, 0,        // 44100 bytes/s
             1, 0, 8, 0,              // block align 1, 8 bits
             'd', 'a', 't', 'a',
             std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
  w.resize(44 + n + pad, 0);
  std::copy(samples.begin(), samples.end(), w.begin() + 44);
  return w;
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

// Default options with an instant erase, so tests need not wait for the flash.
inline devsim::Options Fast() {
  devsim::Options o;
  o.erase_ms = 0;
  return o;
}

}  // namespace devsim_test
