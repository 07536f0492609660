#include "main/SignalQuit.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

int g_wakeFds[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe.
void OnTerminate(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_wakeFds[1], &byte, 1);
}

}  // namespace

void InstallSignalQuit(std::function<void()> OnSignal) {
  if (g_wakeFds[0] >= 0 || ::pipe2(g_wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  // The notifier belongs to the application and lives as long as the event loop does.
  auto* notifier = new QSocketNotifier(g_wakeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [OnSignal = std::move(OnSignal)] {
    char buf[16];
    while (::read(g_wakeFds[0], buf, sizeof buf) > 0) {
    }
    OnSignal();
  });
  struct sigaction sa {};
  sa.sa_handler = OnTerminate;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (const int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &sa, nullptr);
}

#else

void InstallSignalQuit(std::function<void()>) {}  // a window on Windows gets WM_CLOSE instead

#endif
