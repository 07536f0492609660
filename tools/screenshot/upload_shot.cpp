// Renders the main window during an upload of a saved list to a simulated device that takes
// the data at its line's rate, once a third has gone and the title shows the time left, into
// a PNG file under Qt's offscreen platform (title bar drawn above the window).
//   kestrilo-upload-shot [output.png]   (default docs/upload-time-left.png)
#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>

#include "devsim/devsim.h"
#include "main/Translators.h"
#include "main/frmMain.h"
#include "shot_support.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication App(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  InstallTranslators(App);  // in the language of the locale, as the program
  QStandardPaths::setTestModeEnabled(true);  // the recent lists of the user stay as they are
  const QString Output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/upload-time-left.png");
  devsim::Simulator Device{devsim::Options{}};  // 4 MB, 115200 bit/s, data at the line's rate
  qputenv("KESTRILO_PORTS", QByteArray::fromStdString(Device.SlavePath()));

  QTemporaryDir Home(QDir::tempPath() + QStringLiteral("/ada-XXXXXX"));
  QDir(Home.path()).mkpath(QStringLiteral("horns"));
  const QString Set = Home.filePath(QStringLiteral("horns"));
  TForm1 Form;
  Form.show();
  Form.AddSoundPaths(shot::WriteSounds(Set, {{"long-horn.wav", 2.5}, {"short-horn.wav", 1.0}, {"bell.wav", 2.0}}));
  Form.LV->topLevelItem(2)->setText(TForm1::ColAddress, QStringLiteral("12"));
  if (!Form.SaveListFile(Set + QStringLiteral("/horns.kestrilo"))) return 1;

  bool Saved = false;
  QObject::connect(&Form, &QWidget::windowTitleChanged, [&](const QString& Title) {
    const int Percent = Title.section(QStringLiteral(" - "), 2, 2).chopped(1).toInt();
    if (!Saved && Percent >= 34 && Title.endsWith(QStringLiteral(" left")))
      Saved = shot::SaveShot(Form, Output, "kestrilo-upload-shot");
  });
  Form.Startuploading1Click(&Form);
  std::printf("%s\n", qPrintable(Saved ? Output : QStringLiteral("no shot")));
  return Saved ? 0 : 1;
}
