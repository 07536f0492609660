// Renders the main window with a saved sound list (its name in the title), the lengths of
// its sounds, a duplicate digital address and the memory gauge after a search found a 4 MB
// device, into a PNG file under Qt's offscreen platform. The offscreen platform draws no
// window frame, so the title bar is drawn above the window here.
//   kestrilo-list-shot [output.png]   (default docs/list-gauge.png)
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtEndian>
#include <cstdio>

#include "main/LengthProbe.h"
#include "main/frmMain.h"

namespace {

// An 8-bit mono 44100 Hz WAVE file of Seconds of silence.
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

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("KESTRILO_PORTS", "");
  QApplication App(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  QStandardPaths::setTestModeEnabled(true);  // the recent lists of the user stay as they are
  const QString Output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/list-gauge.png");

  QTemporaryDir Home(QDir::tempPath() + QStringLiteral("/ada-XXXXXX"));
  QDir(Home.path()).mkpath(QStringLiteral("horns"));
  const QString Set = Home.filePath(QStringLiteral("horns"));
  const std::pair<const char*, double> Sounds[] = {{"long-horn.wav", 28.0}, {"short-horn.wav", 6.5}, {"bell.wav", 12.3}};
  QStringList Files;
  for (const auto& [Name, Seconds] : Sounds) {
    Files << Set + u'/' + QLatin1String(Name);
    WriteSilence(Files.last(), Seconds);
  }

  TForm1 Form;
  Form.show();
  Form.Engine->Device.Status = 56;  // what a search finds on a 4 MB device
  Form.Engine->Device.Capacity = 32 * 131072;
  Form.AddSoundPaths(Files);
  Form.LV->topLevelItem(0)->setText(TForm1::ColAddress, QStringLiteral("12"));
  Form.LV->topLevelItem(2)->setText(TForm1::ColAddress, QStringLiteral("12"));
  if (!Form.SaveListFile(Set + QStringLiteral("/horns.kestrilo"))) return 1;
  Form.SetPanelText(2, QStringLiteral("Vorel-30415 Sound Player found on /dev/ttyUSB0 (4 MB / 95 sec)"));
  const QDeadlineTimer Deadline(30000);
  while (Form.MemoryUse().UnknownRows > 0 && !Deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 50);
  Form.UpdateListViews();
  Form.LV->topLevelItem(1)->setSelected(true);
  for (int i = 0; i < 5; ++i) QApplication::processEvents();

  if (!WithTitleBar(Form.grab(), Form.windowTitle()).save(Output, "PNG")) {
    std::fprintf(stderr, "kestrilo-list-shot: cannot write %s\n", qPrintable(Output));
    return 1;
  }
  std::printf("%s\n", qPrintable(Form.windowTitle()));
  return 0;
}
