#include "toolkit/error_report.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <QWidget>
#include <cstdio>

#include "toolkit/exception_report.h"

QString ErrorMessageOf(std::exception_ptr Error) {
  if (!Error) return QString();
  return QString::fromUtf8(ExceptionMessage(Error));
}

void ShowPlainMessage(const QString& Text) {
  QMessageBox Box(QApplication::activeWindow());
  Box.setIcon(QMessageBox::NoIcon);
  Box.setWindowTitle(QGuiApplication::applicationDisplayName());
  Box.setText(Text);
  Box.setStandardButtons(QMessageBox::Ok);
  Box.exec();
}

void ShowErrorReport(std::exception_ptr Error) noexcept {
  QString Message;
  try {
    Message = ErrorMessageOf(Error);
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
      ShowPlainMessage(Message);
      return;
    }
  } catch (...) {
    // Showing the box failed (out of memory, most likely); standard error is all that is left.
  }
  std::fprintf(stderr, "%s\n", Message.toLocal8Bit().constData());
}

TErrorReportInstallation::TErrorReportInstallation() {
  SetExceptionReport([](std::exception_ptr Error) {
    QCoreApplication* App = QCoreApplication::instance();
    if (App && QThread::currentThread() != App->thread()) {
      QMetaObject::invokeMethod(App, [Error] { ShowErrorReport(Error); }, Qt::QueuedConnection);
      return;
    }
    ShowErrorReport(Error);
  });
}

TErrorReportInstallation::~TErrorReportInstallation() { SetExceptionReport({}); }
