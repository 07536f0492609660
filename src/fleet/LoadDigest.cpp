#include "fleet/LoadDigest.h"

#include <fstream>
#include <stdexcept>

#include "device/Files.h"
#include "fleet/Sha256.h"

namespace fleet {
namespace {

void AddLittleEndian(TSha256& Hash, uint64_t Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i) {
    const uint8_t b = uint8_t(Value >> (8 * i));
    Hash.Add(&b, 1);
  }
}

}  // namespace

std::string DigestOfPrepared(const TPreparedSounds& Sounds) {
  TSha256 hash;
  for (const TPreparedSound& s : Sounds) {
    std::ifstream in(s.SampleFile, std::ios::binary | std::ios::ate);
    if (!in) throw std::runtime_error("Cannot read \"" + NativePath(s.SampleFile) + "\"");
    const auto size = uint64_t(in.tellg());
    in.seekg(0);
    AddLittleEndian(hash, uint32_t(s.Address), 4);
    AddLittleEndian(hash, size, 8);
    char buf[65536];
    uint64_t left = size;
    while (left > 0 && in.read(buf, std::streamsize(std::min<uint64_t>(left, sizeof buf)))) {
      hash.Add(buf, size_t(in.gcount()));
      left -= uint64_t(in.gcount());
    }
    if (left != 0) throw std::runtime_error("Cannot read \"" + NativePath(s.SampleFile) + "\"");
  }
  return hash.HexDigest();
}

}  // namespace fleet
