// Renders Device > "Upload to every device" loading the horn list into three simulated
// devices at their line's rate, one of them too small for it, once the other two are a third
// done, into a PNG file under Qt's offscreen platform (title bar drawn above the dialog).
//   kestrilo-alldevices-shot [output.png]   (default docs/all-devices.png)
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

#include "devsim/devsim.h"
#include "main/AllDevicesDialog.h"
#include "main/Translators.h"
#include "main/frmMain.h"
#include "shot_support.h"

namespace {

// Rows whose progress is a percentage of at least Percent.
int RowsPast(const QTreeWidget& Devices, int Percent) {
  int n = 0;
  for (int i = 0; i < Devices.topLevelItemCount(); ++i) {
    const QString p = Devices.topLevelItem(i)->text(TAllDevicesDialog::ColProgress);
    n += p.endsWith(u'%') && p.chopped(1).trimmed().toInt() >= Percent;
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication App(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  InstallTranslators(App);
  QStandardPaths::setTestModeEnabled(true);  // the user's settings stay as they are
  const QString Output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/all-devices.png");
  devsim::Options small;
  small.capacity_units = 1;  // 128 KB: the horns do not fit
  devsim::Simulator A{devsim::Options{}}, B{devsim::Options{}}, C{small};
  qputenv("KESTRILO_PORTS", QByteArray::fromStdString(A.SlavePath() + ":" + B.SlavePath() + ":" + C.SlavePath()));

  QTemporaryDir Home(QDir::tempPath() + QStringLiteral("/ada-XXXXXX"));
  TForm1 Form;
  Form.AddSoundPaths(shot::WriteSounds(Home.path(), {{"long-horn.wav", 2.5}, {"short-horn.wav", 1.0}, {"bell.wav", 2.0}}));
  Form.Uploadtoeverydevice1->trigger();
  TAllDevicesDialog& Dialog = *Form.AllDevicesDialog();
  Dialog.SetProgram(QStringLiteral(KESTRILO_CLI));
  Dialog.Watch->setChecked(false);  // until the tool watches
  Dialog.Log->setChecked(false);
  Dialog.Start->click();

  bool Saved = false;
  QTimer Poll;
  QObject::connect(&Poll, &QTimer::timeout, [&] {
    if (RowsPast(*Dialog.Devices, 34) >= 2) Saved = shot::SaveShot(Dialog, Output, "kestrilo-alldevices-shot");
    if (Saved || !Dialog.Running()) QCoreApplication::exit(0);  // quit() would close the dialog, which asks
  });
  Poll.start(50);
  App.exec();
  std::printf("%s\n", qPrintable(Saved ? Output : QStringLiteral("no shot")));
  return Saved ? 0 : 1;  // the run still going is cancelled as the window goes
}
