#include <algorithm>
#include <system_error>

#include "cli/ChildPipe.h"
#include "platform/ticks.h"
#include "platform/win32_api.h"

namespace cli {
namespace {

using win32::AsHandle;
using win32::TOwnedHandle;

[[noreturn]] void ThrowLastError(const std::string& What) {
  throw std::system_error(int(::GetLastError()), std::system_category(), What);
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

TChildPipe::TChildPipe(const std::string& Program, const std::vector<std::string>& Args, bool MergeErrors) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) ThrowLastError("pipe");
  TOwnedHandle output(readEnd), childOutput(writeEnd);
  ::SetHandleInformation(output.Get(), HANDLE_FLAG_INHERIT, 0);  // only the child's end goes over
  TOwnedHandle input(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                   0, nullptr));
  TOwnedHandle errors = MergeErrors ? TOwnedHandle() : InheritableCopy(::GetStdHandle(STD_ERROR_HANDLE));

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = input.Get();
  si.hStdOutput = childOutput.Get();
  si.hStdError = MergeErrors ? childOutput.Get() : errors.Get();
  std::string commandLine = win32::CommandLine(Program, Args);
  PROCESS_INFORMATION pi{};
  // Program as it is, no search; a process group of its own, so that Interrupt reaches it alone.
  if (!::CreateProcessA(Program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                        nullptr, nullptr, &si, &pi))
    ThrowLastError("cannot start " + Program);
  ::CloseHandle(pi.hThread);
  process_ = win32::AsValue(pi.hProcess);
  output_ = win32::AsValue(output.Release());
}

TChildPipe::~TChildPipe() {
  if (!ended_) {
    ::TerminateProcess(AsHandle(process_), 1);
    Reap(true);
  }
  ::CloseHandle(AsHandle(process_));
  if (OutputOpen()) CloseOutput();
}

long TChildPipe::ReadAvailable(char* Buf, size_t Size) {
  DWORD available = 0, n = 0;
  if (!::PeekNamedPipe(AsHandle(output_), nullptr, 0, nullptr, &available, nullptr)) return 0;  // every writer has gone
  if (available == 0) return -1;
  if (!::ReadFile(AsHandle(output_), Buf, std::min<DWORD>(available, DWORD(Size)), &n, nullptr)) return 0;
  return long(n);
}

void TChildPipe::CloseOutput() {
  ::CloseHandle(AsHandle(output_));
  output_ = -1;
}

void TChildPipe::Interrupt() {
  // Needs a console shared with the child; without one, ending it is all that is left.
  if (!ended_ && !::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, ::GetProcessId(AsHandle(process_))))
    ::TerminateProcess(AsHandle(process_), 1);
}

bool TChildPipe::Reap(bool Block) {
  if (ended_) return true;
  if (::WaitForSingleObject(AsHandle(process_), Block ? INFINITE : 0) == WAIT_TIMEOUT) return false;
  DWORD code = 0;
  ::GetExitCodeProcess(AsHandle(process_), &code);
  ended_ = exited_ = true;  // Windows has no death by signal
  code_ = int(code);
  return true;
}

// An anonymous pipe cannot be waited on: each is looked at every few milliseconds, while the
// wait on the children's processes ends it early when one ends.
void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs) {
  constexpr DWORD kLookEveryMs = 10;
  std::vector<HANDLE> running;
  for (const TChildPipe* c : Children)
    if (!c->ended_ && running.size() < MAXIMUM_WAIT_OBJECTS) running.push_back(AsHandle(c->process_));
  const uint32_t start = platform::GetTickCount();
  for (;;) {
    for (const TChildPipe* c : Children) {
      DWORD available = 0;
      if (c->OutputOpen() && (!::PeekNamedPipe(AsHandle(c->output_), nullptr, 0, nullptr, &available, nullptr) ||
                              available > 0))
        return;
    }
    const int left = TimeoutMs - int(platform::TicksSince(start));
    if (left <= 0) return;
    const DWORD slice = std::min<DWORD>(DWORD(left), kLookEveryMs);
    if (running.empty())
      ::Sleep(slice);
    else if (::WaitForMultipleObjects(DWORD(running.size()), running.data(), FALSE, slice) != WAIT_TIMEOUT)
      return;
  }
}

}  // namespace cli
