#include <atomic>

#include "cli/Console.h"
#include "platform/win32_api.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace cli {
namespace {

// Set on a thread the system starts for the handler.
std::atomic<bool> interrupted{false};

BOOL WINAPI NoteCtrl(DWORD Type) {
  if (Type != CTRL_C_EVENT && Type != CTRL_BREAK_EVENT) return FALSE;  // a closing console ends the program
  interrupted = true;
  return TRUE;
}

}  // namespace

// Ctrl+C and Ctrl+Break (which a --all parent sends its children) are noted. A write to a
// closed pipe fails without a signal here.
void InstallInterruptHandlers() { ::SetConsoleCtrlHandler(NoteCtrl, TRUE); }

bool Interrupted() { return interrupted; }

// A console counts only when it takes the escape sequences that rewrite the status line.
bool ErrorIsTerminal() {
  const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(err, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int ErrorTerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return 80;
  const int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 0 ? width : 80;
}

}  // namespace cli
