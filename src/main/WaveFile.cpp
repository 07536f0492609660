#include "main/WaveFile.h"

#include <QFile>
#include <QIODevice>
#include <cstring>

namespace {

uint32_t le32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}
uint16_t le16(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint16_t(u[0] | u[1] << 8);
}

std::optional<TWaveData> Fail(QString* Why, const QString& Text) {
  if (Why) *Why = Text;
  return std::nullopt;
}

}  // namespace

std::optional<TWaveData> FindWaveData(QIODevice& File, QString* Why) {
  const int64_t file_size = File.size();
  char riff[12];
  if (!File.seek(0) || File.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0)
    return Fail(Why, QStringLiteral("not a WAVE file"));

  bool format_ok = false;
  int64_t pos = 12;
  while (pos + 8 <= file_size) {
    char head[8];
    if (!File.seek(pos) || File.read(head, 8) != 8) break;
    const uint32_t size = le32(head + 4);
    const int64_t body = pos + 8;
    if (std::memcmp(head, "fmt ", 4) == 0) {
      char fmt[16];
      if (size < 16 || File.read(fmt, 16) != 16) return Fail(Why, QStringLiteral("damaged WAVE format chunk"));
      const uint16_t tag = le16(fmt), channels = le16(fmt + 2), bits = le16(fmt + 14);
      const uint32_t rate = le32(fmt + 4);
      if (tag != 1 || channels != 1 || rate != 44100 || bits != 8)
        return Fail(Why, QStringLiteral("the WAVE file is not 8-bit mono PCM at 44100 Hz"));
      format_ok = true;
    } else if (std::memcmp(head, "data", 4) == 0) {
      if (!format_ok) return Fail(Why, QStringLiteral("WAVE data before its format"));
      if (int64_t(size) > file_size - body)
        return Fail(Why, QStringLiteral("the WAVE file is cut short"));
      return TWaveData{body, size};
    }
    pos = body + int64_t(size) + (size & 1);  // chunks are padded to even sizes
  }
  return Fail(Why, QStringLiteral("no samples (data chunk) in the WAVE file"));
}

std::optional<TWaveData> FindWaveData(const QString& FileName, QString* Why) {
  QFile f(FileName);
  if (!f.open(QIODevice::ReadOnly)) return Fail(Why, QStringLiteral("cannot open %1: %2").arg(FileName, f.errorString()));
  return FindWaveData(f, Why);
}
