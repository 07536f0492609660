#include "device/WaveFile.h"

#include <cstring>
#include <exception>

#include "device/Files.h"

namespace {

uint32_t le32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}
uint16_t le16(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint16_t(u[0] | u[1] << 8);
}

std::optional<TWaveData> Fail(std::string* Why, const std::string& Text) {
  if (Why) *Why = Text;
  return std::nullopt;
}

bool ReadAt(TFile& File, int64_t Pos, char* Buffer, size_t Count) {
  File.Seek(Pos);
  return File.Read(Buffer, Count) == Count;
}

}  // namespace

std::optional<TWaveData> FindWaveData(TFile& File, std::string* Why) {
  const int64_t file_size = File.Size();
  char riff[12];
  if (!ReadAt(File, 0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
    return Fail(Why, "not a WAVE file");

  bool format_ok = false;
  int64_t pos = 12;
  while (pos + 8 <= file_size) {
    char head[8];
    if (!ReadAt(File, pos, head, 8)) break;
    const uint32_t size = le32(head + 4);
    const int64_t body = pos + 8;
    if (std::memcmp(head, "fmt ", 4) == 0) {
      char fmt[16];
      if (size < 16 || File.Read(fmt, 16) != 16) return Fail(Why, "damaged WAVE format chunk");
      const uint16_t tag = le16(fmt), channels = le16(fmt + 2), bits = le16(fmt + 14);
      const uint32_t rate = le32(fmt + 4);
      if (tag != 1 || channels != 1 || rate != 44100 || bits != 8)
        return Fail(Why, "the WAVE file is not 8-bit mono PCM at 44100 Hz");
      format_ok = true;
    } else if (std::memcmp(head, "data", 4) == 0) {
      if (!format_ok) return Fail(Why, "WAVE data before its format");
      if (int64_t(size) > file_size - body) return Fail(Why, "the WAVE file is cut short");
      return TWaveData{body, size};
    }
    pos = body + int64_t(size) + (size & 1);  // chunks are padded to even sizes
  }
  return Fail(Why, "no samples (data chunk) in the WAVE file");
}

std::optional<TWaveData> FindWaveData(const std::string& FileName, std::string* Why) {
  std::optional<TFile> f;
  try {
    f.emplace(FileName, TFile::fmRead);
  } catch (const EFileError& e) {
    return Fail(Why, "cannot open " + FileName + ": " + std::strerror(e.SystemError()));
  }
  try {
    return FindWaveData(*f, Why);
  } catch (const std::exception& e) {
    return Fail(Why, e.what());
  }
}
