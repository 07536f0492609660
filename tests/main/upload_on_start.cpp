// Not a test: the program as main.cpp runs it, clicking "Upload to device" at the start.
#include <QAbstractButton>
#include <QApplication>

#include "main/WindowMain.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kestrilo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  TErrorReportInstallation ErrorReport;
  return RunMainWindow(QApplication::arguments().mid(1), [](TForm1& Form) { Form.btnUpload->click(); });
}
