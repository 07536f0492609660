#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "main/display_check.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"

int main(int argc, char** argv) {
  if (const std::string Reason = MissingDisplayReason(); !Reason.empty()) {
    std::fprintf(stderr, "kestrilo: %s\n", Reason.c_str());
    return 1;
  }
  QApplication App(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kestrilo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  TErrorReportInstallation ErrorReport;

  std::unique_ptr<TForm1> Form1;
  try {
    Form1 = std::make_unique<TForm1>();
  } catch (...) {
    ShowErrorReport(std::current_exception());
    return 1;
  }
  Form1->show();
  // Once the window is up, so a message about a bad list has a window to stand on.
  const QStringList Args = QApplication::arguments().mid(1);
  QTimer::singleShot(0, Form1.get(), [&Form1, Args] { Form1->OpenStartArguments(Args); });
  return App.exec();
}
