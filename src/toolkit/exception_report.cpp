#include "toolkit/exception_report.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {
std::mutex g_mutex;
TExceptionReporter g_reporter;
thread_local std::string t_message;
}  // namespace

void SetExceptionReport(TExceptionReporter Reporter) {
  std::lock_guard lock(g_mutex);
  g_reporter = std::move(Reporter);
}

const char* ExceptionMessage(const std::exception_ptr& Error) {
  try {
    if (Error) std::rethrow_exception(Error);
    return "";
  } catch (const std::exception& e) {
    t_message = e.what();
  } catch (...) {
    t_message = "Unknown error";
  }
  return t_message.c_str();
}

void ReportException(std::exception_ptr Error) {
  TExceptionReporter reporter;
  {
    std::lock_guard lock(g_mutex);
    reporter = g_reporter;
  }
  try {
    if (reporter) {
      reporter(Error);
      return;
    }
  } catch (...) {
    return;
  }
  std::fprintf(stderr, "%s\n", ExceptionMessage(Error));
}
