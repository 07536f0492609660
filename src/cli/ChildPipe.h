#pragma once
// A child program whose standard output is read line by line while it runs: the --all
// parent's devices, and the tests' runs of the tool.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cli {

class TChildPipe {
 public:
  // Starts Program (no shell) with standard input from the null device. MergeErrors: its
  // standard error goes into the same pipe, else it is the parent's. Throws
  // std::system_error when it cannot start.
  TChildPipe(const std::string& Program, const std::vector<std::string>& Args, bool MergeErrors = false);
  ~TChildPipe();  // a child still running is killed and reaped
  TChildPipe(const TChildPipe&) = delete;
  TChildPipe& operator=(const TChildPipe&) = delete;

  // Whether the output is still open: the child may have more to say.
  bool OutputOpen() const { return output_ != -1; }
  // Takes what output is there and hands over each whole line (without its '\n').
  void ReadLines(const std::function<void(const std::string&)>& Line);
  // Reads until the output ends and the child has exited, at most TimeoutMs; false when
  // the time ran out.
  bool Finish(int TimeoutMs, const std::function<void(const std::string&)>& Line);
  // As Ctrl+C would; on Windows Ctrl+Break, the one that can be sent to the child alone.
  void Interrupt();

  // Whether the child has ended (it is reaped then); does not wait.
  bool HasEnded() { return Reap(false); }
  bool Exited() const { return exited_; }  // by exit(), not by a signal
  int ExitCode() const { return code_; }

 private:
  // Some of the output that is there now: the count, 0 at its end, -1 while none waits.
  long ReadAvailable(char* Buf, size_t Size);
  void CloseOutput();
  bool Reap(bool Block);
  friend void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs);

  // A pid and a descriptor, or a process HANDLE and a pipe HANDLE.
  std::intptr_t process_ = -1;
  std::intptr_t output_ = -1;
  std::string partial_;
  bool ended_ = false, exited_ = false;
  int code_ = -1;
};

// Waits until one of Children has output or TimeoutMs passed (a signal ends it early; on
// Windows so does a child's end).
void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs);

}  // namespace cli
