#include "sound/WaveWriter.h"

#include <cstdint>

#include "device/Files.h"
#include "device/Protocol.h"

namespace sound {
namespace {

void Put32(std::string& Out, uint32_t Value) {
  for (int i = 0; i < 4; ++i) Out += char((Value >> (8 * i)) & 0xFF);
}
void Put16(std::string& Out, uint16_t Value) { Out += char(Value & 0xFF), Out += char(Value >> 8); }

}  // namespace

std::string WaveHeader(uint32_t Samples) {
  std::string h = "RIFF";
  Put32(h, 36 + Samples + (Samples & 1));
  h += "WAVEfmt ";
  Put32(h, 16);
  Put16(h, 1);  // PCM
  Put16(h, 1);  // mono
  Put32(h, protocol::SampleRate);
  Put32(h, protocol::SampleRate);  // bytes per second
  Put16(h, 1);                     // bytes per frame
  Put16(h, 8);
  h += "data";
  Put32(h, Samples);
  return h;
}

void WriteWave(const std::string& SampleFile, const std::string& Target) {
  TFile source(SampleFile, TFile::fmRead);
  const int64_t size = source.Size();
  TFile target(Target, TFile::fmWrite);
  const std::string header = WaveHeader(uint32_t(size));
  target.Write(header.data(), header.size());
  char block[4096];
  for (size_t n; (n = source.Read(block, sizeof block)) > 0;) target.Write(block, n);
  if (size & 1) target.Write("\x80", 1);  // chunks are padded to even sizes
  target.Close();
}

}  // namespace sound
