// Renders the main window, with three sounds in its list, into a PNG file under Qt's offscreen
// platform: kestrilo-window-shot [output.png]   (default docs/main-window.png)
#include <QApplication>
#include <QPixmap>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "main/Translators.h"
#include "main/frmMain.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("KESTRILO_PORTS", "");  // the window never searches here, but never touch real ports
  QApplication App(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  InstallTranslators(App);  // in the language of the locale, as the program
  const QString Output =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/main-window.png");

  TForm1 Form;
  Form.show();
  for (const char* File : {"/home/ada/sounds/doorbell.wav", "/home/ada/sounds/welcome-message.mp3",
                           "/home/ada/sounds/alarm.wav"})
    Form.AppendSoundRow(QString::fromLatin1(File));
  Form.LV->topLevelItem(2)->setText(TForm1::ColAddress, QStringLiteral("12"));
  Form.RefreshList();
  Form.LV->topLevelItem(1)->setSelected(true);
  for (int i = 0; i < 5; ++i) QApplication::processEvents();

  if (!Form.grab().save(Output, "PNG")) {
    std::fprintf(stderr, "kestrilo-window-shot: cannot write %s\n", qPrintable(Output));
    return 1;
  }
  return 0;
}
