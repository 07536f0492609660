#include "platform/process.h"
#include "platform/win32_api.h"

#include <algorithm>

namespace platform {
namespace {

using win32::TOwnedHandle;

TOwnedHandle OpenNul(DWORD Access, SECURITY_ATTRIBUTES& Inherit) {
  return TOwnedHandle(::CreateFileA("NUL", Access, FILE_SHARE_READ | FILE_SHARE_WRITE, &Inherit, OPEN_EXISTING, 0, nullptr));
}

}  // namespace

ChildProcess::ChildProcess(const std::string& Program, const std::vector<std::string>& Args) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 64 * 1024)) {
    outcome_.StartError = static_cast<int>(::GetLastError());
    return;
  }
  TOwnedHandle errRead(readEnd), errWrite(writeEnd);
  ::SetHandleInformation(errRead.Get(), HANDLE_FLAG_INHERIT, 0);  // only the child's end goes over
  TOwnedHandle in = OpenNul(GENERIC_READ, inherit), out = OpenNul(GENERIC_WRITE, inherit);

  std::string commandLine = win32::CommandLine(Program, Args);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in.Get();
  si.hStdOutput = out.Get();
  si.hStdError = errWrite.Get();
  PROCESS_INFORMATION pi{};
  // No shell: CreateProcess looks the program up itself (its folder, the system's, PATH).
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi)) {
    outcome_.StartError = static_cast<int>(::GetLastError());
    return;
  }
  ::CloseHandle(pi.hThread);
  pid_ = win32::AsValue(pi.hProcess);
  err_fd_ = win32::AsValue(errRead.Release());
  outcome_.Started = true;
}

ChildProcess::~ChildProcess() {
  if (pid_ != -1) {
    if (!finished_) {
      ::TerminateProcess(win32::AsHandle(pid_), 1);
      ::WaitForSingleObject(win32::AsHandle(pid_), INFINITE);
    }
    ::CloseHandle(win32::AsHandle(pid_));
  }
  if (err_fd_ != -1) ::CloseHandle(win32::AsHandle(err_fd_));
}

// Takes what the pipe holds now; TimeoutMs is spent waiting for the child instead (Running).
void ChildProcess::DrainErrorOutput(int) {
  while (err_fd_ != -1) {
    DWORD available = 0;
    if (!::PeekNamedPipe(win32::AsHandle(err_fd_), nullptr, 0, nullptr, &available, nullptr)) {
      ::CloseHandle(win32::AsHandle(err_fd_));  // every writer has gone
      err_fd_ = -1;
      return;
    }
    if (available == 0) return;
    char buf[4096];
    DWORD n = 0;
    if (!::ReadFile(win32::AsHandle(err_fd_), buf, std::min<DWORD>(available, sizeof buf), &n, nullptr) || n == 0) return;
    outcome_.ErrorOutput.append(buf, n);
    if (outcome_.ErrorOutput.size() > MaxErrorOutput)
      outcome_.ErrorOutput.erase(0, outcome_.ErrorOutput.size() - MaxErrorOutput);
  }
}

void ChildProcess::Reap(int Status) {
  finished_ = true;
  outcome_.Exited = true;
  outcome_.ExitCode = Status;
  // Whatever the child wrote is in the pipe now; a grandchild may still hold it open.
  DrainErrorOutput(0);
  if (err_fd_ != -1) {
    ::CloseHandle(win32::AsHandle(err_fd_));
    err_fd_ = -1;
  }
}

bool ChildProcess::Running(int TimeoutMs) {
  if (pid_ == -1 || finished_) return false;
  DrainErrorOutput(0);
  const DWORD r = ::WaitForSingleObject(win32::AsHandle(pid_), static_cast<DWORD>(std::max(TimeoutMs, 0)));
  if (r == WAIT_TIMEOUT) {
    DrainErrorOutput(0);
    return true;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(win32::AsHandle(pid_), &code);
  Reap(static_cast<int>(code));
  return false;
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
