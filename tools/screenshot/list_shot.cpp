// Renders the main window with a saved sound list (its name in the title), the lengths of
// its sounds, a duplicate digital address and the memory gauge after a search found a 4 MB
// device, into a PNG file under Qt's offscreen platform. The offscreen platform draws no
// window frame, so the title bar is drawn above the window here.
//   kestrilo-list-shot [output.png]   (default docs/list-gauge.png)
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>

#include "main/LengthProbe.h"
#include "main/Translators.h"
#include "main/frmMain.h"
#include "engine_seam.h"
#include "shot_support.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("KESTRILO_PORTS", "");
  QApplication App(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  InstallTranslators(App);  // in the language of the locale, as the program
  QStandardPaths::setTestModeEnabled(true);  // the recent lists of the user stay as they are
  const QString Output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/list-gauge.png");

  QTemporaryDir Home(QDir::tempPath() + QStringLiteral("/ada-XXXXXX"));
  const QString Set = Home.filePath(QStringLiteral("horns"));
  const QStringList Files = shot::WriteHorns(Set);

  TForm1 Form;
  Form.show();
  TEngineSeam::Device(*Form.Engine).Status = 56;  // what a search finds on a 4 MB device
  TEngineSeam::Device(*Form.Engine).Capacity = 32 * 131072;
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

  if (!shot::SaveShot(Form, Output, "kestrilo-list-shot")) return 1;
  std::printf("%s\n", qPrintable(Form.windowTitle()));
  return 0;
}
