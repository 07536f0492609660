#include "shot_support.h"

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QtEndian>
#include <cstdio>

namespace shot {

void WriteSilence(const QString& Path, double Seconds) {
  const quint32 Samples = quint32(Seconds * 44100);
  QByteArray Header("RIFF----WAVEfmt ");
  auto U32 = [&Header](quint32 V) { Header.append(reinterpret_cast<const char*>(&(V = qToLittleEndian(V))), 4); };
  auto U16 = [&Header](quint16 V) { Header.append(reinterpret_cast<const char*>(&(V = qToLittleEndian(V))), 2); };
  U32(16), U16(1), U16(1), U32(44100), U32(44100), U16(1), U16(8);
  Header.append("data");
  U32(Samples);
  qToLittleEndian(quint32(36 + Samples), Header.data() + 4);
  QFile F(Path);
  F.open(QIODevice::WriteOnly);
  F.write(Header);
  F.write(QByteArray(qsizetype(Samples), char(0x80)));
}

QStringList WriteSounds(const QString& Folder, const std::vector<std::pair<const char*, double>>& Sounds) {
  QStringList Files;
  for (const auto& [Name, Seconds] : Sounds) {
    Files << Folder + u'/' + QLatin1String(Name);
    WriteSilence(Files.last(), Seconds);
  }
  return Files;
}

QStringList WriteHorns(const QString& Folder) {
  QDir().mkpath(Folder);
  return WriteSounds(Folder, {{"long-horn.wav", 28.0}, {"short-horn.wav", 6.5}, {"bell.wav", 12.3}});
}

QImage WithTitleBar(const QPixmap& Window, const QString& Title) {
  constexpr int kBar = 24;
  QImage Shot(Window.width(), Window.height() + kBar, QImage::Format_ARGB32);
  QPainter P(&Shot);
  P.fillRect(0, 0, Shot.width(), kBar, QColor(222, 222, 222));
  P.setPen(QColor(40, 40, 40));
  P.drawText(QRect(0, 0, Shot.width(), kBar), Qt::AlignCenter, Title);
  P.drawPixmap(0, kBar, Window);
  return Shot;
}

bool SaveShot(QWidget& Window, const QString& Output, const char* Program) {
  if (WithTitleBar(Window.grab(), Window.windowTitle()).save(Output, "PNG")) return true;
  std::fprintf(stderr, "%s: cannot write %s\n", Program, qPrintable(Output));
  return false;
}

}  // namespace shot
