#pragma once
// A child program whose standard output is read line by line while it runs: the --all
// parent's devices, and the tests' runs of the tool.
#include <sys/types.h>

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

  // The pipe to poll for output; -1 once the output has ended.
  int OutputFd() const { return fd_; }
  // Takes what output is there and hands over each whole line (without its '\n').
  void ReadLines(const std::function<void(const std::string&)>& Line);
  // Reads until the output ends and the child has exited, at most TimeoutMs; false when
  // the time ran out.
  bool Finish(int TimeoutMs, const std::function<void(const std::string&)>& Line);
  void Interrupt();  // as Ctrl+C would

  // Whether the child has ended (it is reaped then); does not wait.
  bool HasEnded() { return Reap(false); }
  bool Exited() const { return exited_; }  // by exit(), not by a signal
  int ExitCode() const { return code_; }

 private:
  bool Reap(bool Block);

  pid_t pid_ = -1;
  int fd_ = -1;
  std::string partial_;
  bool ended_ = false, exited_ = false;
  int code_ = -1;
};

// Waits until one of Children has output or TimeoutMs passed (a signal ends it early).
void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs);

}  // namespace cli
