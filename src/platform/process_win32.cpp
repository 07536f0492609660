#include "platform/process.h"
#include "platform/ticks.h"
#include "platform/win32_api.h"

#include <algorithm>

namespace platform {
namespace {

using win32::AsHandle;
using win32::TOwnedHandle;

TOwnedHandle OpenNul(DWORD Access, SECURITY_ATTRIBUTES& Inherit) {
  return TOwnedHandle(::CreateFileA("NUL", Access, FILE_SHARE_READ | FILE_SHARE_WRITE, &Inherit, OPEN_EXISTING, 0, nullptr));
}

// A copy of Handle the child can inherit; none when this process has no such handle.
TOwnedHandle InheritableCopy(HANDLE Handle) {
  HANDLE copy = nullptr;
  if (Handle == nullptr || Handle == INVALID_HANDLE_VALUE ||
      !::DuplicateHandle(::GetCurrentProcess(), Handle, ::GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
    return {};
  return TOwnedHandle(copy);
}

}  // namespace

TChildProcess::TChildProcess(const std::string& Program, const std::vector<std::string>& Args,
                           const TChildOptions& Options) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 64 * 1024)) {
    outcome_.StartError = static_cast<int>(::GetLastError());
    return;
  }
  TOwnedHandle pipeRead(readEnd), pipeWrite(writeEnd);
  ::SetHandleInformation(pipeRead.Get(), HANDLE_FLAG_INHERIT, 0);  // only the child's end goes over
  const bool pipeOut = Options.Piped != TPipedStreams::Error, pipeErr = Options.Piped != TPipedStreams::Output;
  TOwnedHandle in = OpenNul(GENERIC_READ, inherit);
  TOwnedHandle out = pipeOut ? TOwnedHandle() : OpenNul(GENERIC_WRITE, inherit);
  TOwnedHandle err = pipeErr ? TOwnedHandle() : InheritableCopy(::GetStdHandle(STD_ERROR_HANDLE));

  std::string commandLine = win32::CommandLine(Program, Args);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in.Get();
  si.hStdOutput = pipeOut ? pipeWrite.Get() : out.Get();
  si.hStdError = pipeErr ? pipeWrite.Get() : err.Get();
  PROCESS_INFORMATION pi{};
  // No shell. Without a program name CreateProcess looks the program up itself (its folder,
  // the system's, PATH).
  DWORD flags = Options.Interruptible ? CREATE_NEW_PROCESS_GROUP : CREATE_NO_WINDOW;
  if (Options.OwnGroup) flags |= CREATE_NEW_PROCESS_GROUP;
  if (!::CreateProcessA(Options.LookUpInPath ? nullptr : Program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        flags, nullptr, nullptr, &si, &pi)) {
    outcome_.StartError = static_cast<int>(::GetLastError());
    return;
  }
  ::CloseHandle(pi.hThread);
  pid_ = win32::AsValue(pi.hProcess);
  ownGroup_ = Options.OwnGroup;
  pipe_ = win32::AsValue(pipeRead.Release());
  outcome_.Started = true;
}

TChildProcess::~TChildProcess() {
  if (Started()) {
    if (!ended_) {
      ::TerminateProcess(AsHandle(pid_), 1);
      Ended(true);
    }
    ::CloseHandle(AsHandle(pid_));
  }
  ClosePipe();
}

long TChildProcess::Read(char* Buf, size_t Size) {
  if (!PipeOpen()) return 0;
  DWORD available = 0, n = 0;
  // Peeking fails once every writer has gone.
  const bool open = ::PeekNamedPipe(AsHandle(pipe_), nullptr, 0, nullptr, &available, nullptr);
  if (open && available == 0) return -1;
  if (open && ::ReadFile(AsHandle(pipe_), Buf, std::min<DWORD>(available, DWORD(Size)), &n, nullptr) && n > 0)
    return long(n);
  ClosePipe();
  return 0;
}

void TChildProcess::ClosePipe() {
  if (!PipeOpen()) return;
  ::CloseHandle(AsHandle(pipe_));
  pipe_ = -1;
}

bool TChildProcess::Ended(bool Wait) {
  if (!Started() || ended_) return true;
  if (::WaitForSingleObject(AsHandle(pid_), Wait ? INFINITE : 0) == WAIT_TIMEOUT) return false;
  DWORD code = 0;
  ::GetExitCodeProcess(AsHandle(pid_), &code);
  ended_ = true;
  outcome_.Exited = true;  // Windows has no death by signal
  outcome_.ExitCode = int(code);
  return true;
}

void TChildProcess::Interrupt() {
  // Needs a console shared with the child; without one, ending it is all that is left.
  if (Started() && !ended_ && !::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, ::GetProcessId(AsHandle(pid_))))
    ::TerminateProcess(AsHandle(pid_), 1);
}

// Ctrl+Break reaches a whole process group; one process of it cannot be singled out.
void TChildProcess::InterruptLeader() { Interrupt(); }

void TChildProcess::Kill() {
  if (Started() && !ended_) ::TerminateProcess(AsHandle(pid_), 1);
}

// An anonymous pipe cannot be waited on: each is looked at every few milliseconds, while the
// wait on the children's processes ends it early when one ends.
void WaitForOutput(const std::vector<TChildProcess*>& Children, int TimeoutMs) {
  constexpr DWORD kLookEveryMs = 10;
  std::vector<HANDLE> running;
  for (const TChildProcess* c : Children)
    if (c->Started() && !c->ended_ && running.size() < MAXIMUM_WAIT_OBJECTS) running.push_back(AsHandle(c->pid_));
  const uint32_t start = platform::GetTickCount();
  for (;;) {
    for (const TChildProcess* c : Children) {
      DWORD available = 0;
      if (c->PipeOpen() &&
          (!::PeekNamedPipe(AsHandle(c->pipe_), nullptr, 0, nullptr, &available, nullptr) || available > 0))
        return;
    }
    const int left = TimeoutMs - int(TicksSince(start));
    if (left <= 0) return;
    const DWORD slice = std::min<DWORD>(DWORD(left), kLookEveryMs);
    if (running.empty())
      ::Sleep(slice);
    else if (::WaitForMultipleObjects(DWORD(running.size()), running.data(), FALSE, slice) != WAIT_TIMEOUT)
      return;
  }
}

}  // namespace platform

namespace win32 {
namespace {

// One argument as the C runtime of the child splits it again: quoted when it holds blanks or
// quotes, with backslashes doubled only where they precede a quote.
std::string QuoteArgument(const std::string& Arg) {
  if (!Arg.empty() && Arg.find_first_of(" \t\n\v\"") == std::string::npos) return Arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : Arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

}  // namespace

std::string CommandLine(const std::string& Program, const std::vector<std::string>& Args) {
  std::string line = QuoteArgument(Program);
  for (const std::string& a : Args) line += ' ' + QuoteArgument(a);
  return line;
}

}  // namespace win32
