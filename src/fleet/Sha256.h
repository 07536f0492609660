#pragma once
// SHA-256 (FIPS 180-4), kept here because Windows builds have no crypto library to lean on.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace fleet {

class TSha256 {
 public:
  TSha256();
  void Add(const void* Bytes, size_t Count);
  void Add(std::string_view Bytes) { Add(Bytes.data(), Bytes.size()); }
  // The digest as 64 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Block(const uint8_t* Bytes);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> buffer_{};
  size_t filled_ = 0;
  uint64_t length_ = 0;  // bytes added
};

}  // namespace fleet
