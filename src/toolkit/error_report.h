#pragma once
// The default error report: an error that leaves a command handler is shown to the user in a
// plain message box, and the program goes back to its event loop. No exception may cross a Qt
// event handler, so every handler the window binds runs inside Guarded().
#include <QString>
#include <exception>
#include <utility>

// The text the report shows for an error object.
QString ErrorMessageOf(std::exception_ptr Error);

// A plain message box: no icon, titled with the application title, one OK button. Modal;
// returns when the user has closed it.
void ShowPlainMessage(const QString& Text);

// Shows the error's message in a plain message box. Never throws; without a QApplication
// the message goes to standard error. Call on the UI thread.
void ShowErrorReport(std::exception_ptr Error) noexcept;

// Runs Handler; an error it throws is reported and goes no further.
template <class Handler>
void Guarded(Handler&& H) noexcept {
  try {
    std::forward<Handler>(H)();
  } catch (...) {
    ShowErrorReport(std::current_exception());
  }
}

// Makes the box the application-level exception report (toolkit/exception_report.h), for
// errors that have no handler to return to. A report from another thread is shown on the UI
// thread, later. Call once the QApplication exists; the object returned puts the standard-error
// default back when it goes away.
class TErrorReportInstallation {
 public:
  TErrorReportInstallation();
  ~TErrorReportInstallation();
  TErrorReportInstallation(const TErrorReportInstallation&) = delete;
  TErrorReportInstallation& operator=(const TErrorReportInstallation&) = delete;
};
