#include "toolkit/error_report.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QWidget>
#include <cstdio>
#include <stdexcept>

QString ErrorMessageOf(std::exception_ptr Error) {
  if (!Error) return QString();
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception& E) {
    return QString::fromUtf8(E.what());
  } catch (...) {
    return QStringLiteral("Unknown error");
  }
}

void ShowPlainMessage(const QString& Text) {
  QMessageBox Box(QApplication::activeWindow());
  Box.setIcon(QMessageBox::NoIcon);
  Box.setWindowTitle(QGuiApplication::applicationDisplayName());
  Box.setText(Text);
  Box.setStandardButtons(QMessageBox::Ok);
  Box.exec();
}

void ReportException(std::exception_ptr Error) noexcept {
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
