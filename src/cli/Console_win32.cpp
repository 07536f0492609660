#include <atomic>

#include "cli/Console.h"
#include "platform/win32_api.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace cli {
namespace {

// Set on a thread the system starts for the handler.
std::atomic<int> interrupted{0};

// Windows ends the program as soon as the handler of a closing console returns, and after
// 5 s at the latest; holding it lets the main thread cancel and clean up, and the program's
// own exit then ends this thread.
constexpr DWORD kCloseCleanUpMs = 4500;

BOOL WINAPI NoteCtrl(DWORD Type) {
  switch (Type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      ++interrupted;
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      ++interrupted;
      ::Sleep(kCloseCleanUpMs);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

// The console's own code page comes back when the program ends: it is shared with the shell.
void UseUtf8Output() {
  static const struct TRestore {
    UINT page = ::GetConsoleOutputCP();
    ~TRestore() {
      if (page != 0) ::SetConsoleOutputCP(page);
    }
  } restore;
  if (restore.page != 0) ::SetConsoleOutputCP(CP_UTF8);
}

// Ctrl+C and Ctrl+Break (which a --all parent sends its children) are noted, and so is a
// closing console. A write to a closed pipe fails without a signal here.
void InstallInterruptHandlers() { ::SetConsoleCtrlHandler(NoteCtrl, TRUE); }

bool Interrupted() { return interrupted > 0; }

int Interrupts() { return interrupted; }

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
