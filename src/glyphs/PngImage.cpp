#include "glyphs/PngImage.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "glyphs/PngDecode.h"

namespace {

constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

uint32_t ReadBE32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void AppendBE32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

uint32_t ChunkCrc(const uint8_t* type, const uint8_t* data, size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, type, 4);
  // zlib takes uInt lengths; chunks are below 2^31 bytes, but feed it in pieces anyway.
  while (size > 0) {
    const uInt n = uInt(std::min<size_t>(size, 1u << 30));
    crc = crc32(crc, data, n);
    data += n;
    size -= n;
  }
  return uint32_t(crc);
}

std::string Printable(const uint8_t* type) {
  std::string s;
  for (int i = 0; i < 4; ++i) {
    const char c = char(type[i]);
    s += (c >= 0x20 && c < 0x7f) ? c : '?';
  }
  return s;
}

[[noreturn]] void Fail(const std::string& what) { throw EPngError("Invalid PNG image: " + what); }

}  // namespace

std::vector<TPngChunk> ParsePngChunks(std::span<const uint8_t> Bytes) {
  if (Bytes.size() < sizeof Signature || std::memcmp(Bytes.data(), Signature, sizeof Signature) != 0)
    Fail("wrong signature");
  std::vector<TPngChunk> chunks;
  size_t pos = sizeof Signature;
  bool ended = false;
  while (!ended) {
    if (Bytes.size() - pos < 12) Fail("truncated data");
    const uint8_t* head = Bytes.data() + pos;
    const uint32_t length = ReadBE32(head);
    const uint8_t* type = head + 4;
    if (length > 0x7fffffffu) Fail("chunk length out of range");
    for (int i = 0; i < 4; ++i) {
      const bool letter = (type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z');
      if (!letter) Fail("bad chunk type");
    }
    if (Bytes.size() - pos - 12 < length) Fail("truncated data in chunk " + Printable(type));
    const uint8_t* data = head + 8;
    if (ReadBE32(data + length) != ChunkCrc(type, data, length))
      Fail("bad CRC in chunk " + Printable(type));

    TPngChunk chunk;
    std::memcpy(chunk.Type.data(), type, 4);
    chunk.Data.assign(data, data + length);
    if (chunks.empty() && (chunk.Name() != "IHDR" || length != 13)) Fail("IHDR is not the first chunk");
    if (!chunks.empty() && chunk.Name() == "IHDR") Fail("more than one IHDR");
    ended = chunk.Name() == "IEND";
    chunks.push_back(std::move(chunk));
    pos += 12 + size_t(length);
  }
  // Bytes after IEND are no part of the image; they are dropped.
  return chunks;
}

std::vector<uint8_t> WritePngChunks(const std::vector<TPngChunk>& Chunks) {
  std::vector<uint8_t> out(std::begin(Signature), std::end(Signature));
  for (const TPngChunk& c : Chunks) {
    AppendBE32(out, uint32_t(c.Data.size()));
    out.insert(out.end(), c.Type.begin(), c.Type.end());
    out.insert(out.end(), c.Data.begin(), c.Data.end());
    AppendBE32(out, ChunkCrc(reinterpret_cast<const uint8_t*>(c.Type.data()), c.Data.data(), c.Data.size()));
  }
  return out;
}

std::vector<uint8_t> TPngImage::Data() const {
  if (Chunks_.empty()) return {};
  return WritePngChunks(Chunks_);
}

void TPngImage::SetData(std::span<const uint8_t> Bytes) {
  if (Bytes.empty()) {
    *this = TPngImage();
    return;
  }
  std::vector<TPngChunk> chunks = ParsePngChunks(Bytes);
  const uint32_t w = ReadBE32(chunks.front().Data.data());
  const uint32_t h = ReadBE32(chunks.front().Data.data() + 4);
  if (w == 0 || h == 0) Fail("image width or height is 0");
  if (w > MaxSide || h > MaxSide || uint64_t(w) * h > MaxPixels)
    Fail("image too large (" + std::to_string(w) + " x " + std::to_string(h) + " pixels)");
  // Decode what was parsed, so that dropped trailing bytes never reach the decoder.
  TPngBitmap bitmap = DecodePng(WritePngChunks(chunks), MaxSide, MaxPixels);
  for (const TPngChunk& c : chunks) {
    if (c.Name() == "gAMA" && c.Data.size() == 4) {
      bitmap.Gamma = ReadBE32(c.Data.data());
      break;
    }
  }
  Chunks_ = std::move(chunks);
  Bitmap_ = std::move(bitmap);
}

bool TPngImage::HasChunk(std::string_view Name) const {
  return std::any_of(Chunks_.begin(), Chunks_.end(), [&](const TPngChunk& c) { return c.Name() == Name; });
}

void TPngImage::RemoveChunk(std::string_view Name) {
  // Bit 5 of the first letter clear marks a critical chunk; without it the file breaks.
  if (Name.size() != 4 || (Name[0] & 0x20) == 0)
    throw std::invalid_argument("not an ancillary PNG chunk: " + std::string(Name));
  std::erase_if(Chunks_, [&](const TPngChunk& c) { return c.Name() == Name; });
  if (Name == "gAMA") Bitmap_.Gamma = 0;
}
