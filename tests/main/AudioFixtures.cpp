#include "AudioFixtures.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <stdexcept>

namespace fixtures {

int Ffmpeg(const QStringList& Args) {
  QProcess p;
  p.setProgram(QStringLiteral("ffmpeg"));
  p.setArguments(QStringList{"-hide_banner", "-loglevel", "error", "-nostdin"} + Args);
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.setStandardOutputFile(QProcess::nullDevice());
  p.start();
  if (!p.waitForFinished(120000)) return -1;
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void WriteWav(const QString& Path, const QByteArray& Samples, int Channels, int Rate, int Bits) {
  QByteArray h;
  auto u32 = [&](quint32 v) { char b[4]; qToLittleEndian(v, b); h.append(b, 4); };
  auto u16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); h.append(b, 2); };
  const int align = Channels * Bits / 8;
  h.append("RIFF");
  u32(36 + quint32(Samples.size()) + (Samples.size() & 1));
  h.append("WAVEfmt ");
  u32(16); u16(1); u16(quint16(Channels)); u32(quint32(Rate)); u32(quint32(Rate * align));
  u16(quint16(align)); u16(quint16(Bits));
  h.append("data");
  u32(quint32(Samples.size()));
  QFile f(Path);
  if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + Path.toStdString());
  f.write(h);
  f.write(Samples);
  if (Samples.size() & 1) f.putChar(0);
}

void MakeTone(const QString& Path, double Seconds, int Frequency, const QString& Title) {
  QStringList a{"-f", "lavfi", "-i",
                QStringLiteral("sine=frequency=%1:sample_rate=48000:duration=%2").arg(Frequency).arg(Seconds),
                "-ac", "2", "-acodec", Path.endsWith(".mp3") ? "libmp3lame" : "pcm_s16le"};
  if (!Title.isEmpty()) a << "-metadata" << ("title=" + Title);
  a << "-y" << Path;
  if (Ffmpeg(a) != 0) throw std::runtime_error("ffmpeg could not make " + Path.toStdString());
}

QByteArray RawSamples(const QString& Source) {
  QTemporaryDir dir;
  const QString out = dir.filePath("raw.u8");
  if (Ffmpeg({"-i", Source, "-acodec", "pcm_u8", "-ar", "44100", "-ac", "1", "-f", "u8", "-y", out}) != 0)
    throw std::runtime_error("ffmpeg could not convert " + Source.toStdString());
  return ReadAll(out);
}

QByteArray NoZeros(QByteArray Bytes) {
  for (char& c : Bytes)
    if (c == 0) c = 1;
  return Bytes;
}

QByteArray ReadAll(const QString& Path) {
  QFile f(Path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

}  // namespace fixtures
