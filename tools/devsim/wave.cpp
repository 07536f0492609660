#include "wave.h"

namespace devsim {
namespace {

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(tag[i]));
}

}  // namespace

std::vector<std::uint8_t> MakeWave(const std::vector<std::uint8_t>& samples) {
  const auto n = std::uint32_t(samples.size());
  const std::uint32_t pad = n & 1u;
  std::vector<std::uint8_t> out;
  out.reserve(44 + n + pad);
  PutTag(out, "RIFF");
  Put32(out, 36 + n + pad);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);      // PCM
  Put16(out, 1);      // mono
  Put32(out, 44100);  // sample rate
  Put32(out, 44100);  // bytes per second
  Put16(out, 1);      // block align
  Put16(out, 8);      // bits per sample
  PutTag(out, "data");
  Put32(out, n);
  out.insert(out.end(), samples.begin(), samples.end());
  if (pad) out.push_back(0);
  return out;
}

}  // namespace devsim
