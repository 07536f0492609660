#pragma once
// The application-level exception report: where errors go that have no caller to return to
// (for example an error raised by a serial port event handler delivered through its
// notification window). The GUI installs a reporter that shows the message in a message box;
// until then the message is written to standard error.
#include <exception>
#include <functional>

using TExceptionReporter = std::function<void(std::exception_ptr Error)>;

// Installs the reporter (an empty function restores the standard-error default). Thread-safe.
void SetExceptionReport(TExceptionReporter Reporter);

// Hands Error to the current reporter. Never throws: a reporter that throws is ignored.
void ReportException(std::exception_ptr Error);

// Message text of an error: what() for std::exception, a fixed text otherwise.
const char* ExceptionMessage(const std::exception_ptr& Error);
