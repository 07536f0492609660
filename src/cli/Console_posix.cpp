#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <initializer_list>

#include "cli/Console.h"

namespace cli {

void UseUtf8Output() {}  // the terminal takes the locale's bytes as they are

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void NoteSignal(int) { interrupted = interrupted + 1; }

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

bool Interrupted() { return interrupted != 0; }

int Interrupts() { return int(interrupted); }

bool ErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int ErrorTerminalWidth() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

}  // namespace cli
