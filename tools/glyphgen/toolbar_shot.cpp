// Renders the main window's toolbar, enabled and with all four buttons disabled (as during
// an upload), and the whole window, as PNG files.
// Usage: QT_QPA_PLATFORM=offscreen kestrilo-toolbar-shot <folder>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTimer>
#include <cstdio>

#include "main/frmMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  TForm1 Form;
  Form.show();
  QCoreApplication::processEvents();
  bool ok = Form.grab().save(dir.filePath("toolbar-window.png"));
  ok = Form.Panel1->grab().save(dir.filePath("toolbar.png")) && ok;
  for (TmPngSpeedButton* b : {Form.btnAdd, Form.btnRemove, Form.btnSearch, Form.btnUpload}) b->setEnabled(false);
  ok = Form.Panel1->grab().save(dir.filePath("toolbar-disabled.png")) && ok;
  if (!ok) std::fprintf(stderr, "cannot write the images into %s\n", argv[1]);
  return ok ? 0 : 1;
}
