// Renders the main window with a saved list whose rows carry sound options (shown in the
// Options column), one row being listened to, into a PNG file under Qt's offscreen platform. The audio goes to a sink that
// plays nothing, as the offscreen machine may have no sound device.
//   kestrilo-preview-shot [output.png]   (default docs/preview-playing.png)
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "main/PreviewPlayer.h"
#include "main/frmMain.h"
#include "shot_support.h"

namespace {

class TSilentSink : public TAudioSink {
 public:
  void Start(const QByteArray&) override { active_ = true; }
  void Stop() override { active_ = false; }
  bool Active() const override { return active_; }

 private:
  bool active_ = false;
};

// The horns as tones with a second of silence around them, so trimming has something to cut.
void ToneOverSilence(const QString& Path, double Hz) {
  QFile F(Path);
  if (!F.open(QIODevice::ReadWrite)) return;
  QByteArray Wave = F.readAll();
  constexpr int kHeader = 44, kPad = 44100;
  for (qsizetype i = kHeader + kPad; i < Wave.size() - kPad; ++i)
    Wave[i] = char(128 + std::lround(60 * std::sin(2 * std::numbers::pi * Hz * double(i - kHeader) / 44100)));
  F.seek(0);
  F.write(Wave);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("KESTRILO_PORTS", "");
  QApplication App(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  QStandardPaths::setTestModeEnabled(true);
  const QString Output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/preview-playing.png");

  QTemporaryDir Home(QDir::tempPath() + QStringLiteral("/ada-XXXXXX"));
  const QString Set = Home.filePath(QStringLiteral("horns"));
  const QStringList Files = shot::WriteHorns(Set);
  for (int i = 0; i < Files.size(); ++i) ToneOverSilence(Files[i], 220.0 * (i + 1));

  TForm1 Form;
  Form.show();
  Form.Preview->SetSink(std::make_unique<TSilentSink>());
  Form.AddSoundPaths(Files);
  Form.ListOptions.Loudness = sound::TLoudness::R128;
  Form.ListOptions.Trim = true;
  sound::TSoundOptions Bell;
  Bell.Loudness = sound::TLoudness::Peak;
  Bell.Dither = sound::TDither::Triangular;
  Form.SetRowOptions(2, Bell);
  if (!Form.SaveListFile(Set + QStringLiteral("/horns.kestrilo"))) return 1;
  const QDeadlineTimer Deadline(180000);
  while (Form.MemoryUse().UnknownRows > 0 && !Deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 50);
  Form.UpdateListViews();
  Form.LV->setCurrentItem(Form.LV->topLevelItem(2));
  Form.Listen1Click(Form.Listen1);
  while (!Form.PanelText(1).startsWith(QStringLiteral("Playing")) && !Deadline.hasExpired())
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  Form.resize(Form.width() + 200, Form.height());  // wide enough for the Options column
  for (int i = 0; i < 5; ++i) QApplication::processEvents();

  if (!shot::SaveShot(Form, Output, "kestrilo-preview-shot")) return 1;
  std::printf("%s\n", qPrintable(Form.PanelText(1)));
  return 0;
}
