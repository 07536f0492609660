#pragma once
// A child program whose standard output is read line by line while it runs: the --all
// parent's devices, and the tests' runs of the tool.
#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace cli {

// A child still running when this ends is killed and reaped.
class TChildPipe {
 public:
  // Starts Program (no shell, no PATH search) with standard input from the null device.
  // MergeErrors: its standard error goes into the same pipe, else it is the parent's. Throws
  // std::system_error when it cannot start.
  TChildPipe(const std::string& Program, const std::vector<std::string>& Args, bool MergeErrors = false);

  // Whether the output is still open: the child may have more to say.
  bool OutputOpen() const { return child_.PipeOpen(); }
  // Takes what output is there and hands over each whole line (without its '\n').
  void ReadLines(const std::function<void(const std::string&)>& Line);
  // Reads until the output ends and the child has exited, at most TimeoutMs; false when
  // the time ran out.
  bool Finish(int TimeoutMs, const std::function<void(const std::string&)>& Line);
  // As Ctrl+C would; on Windows Ctrl+Break, the one that can be sent to the child alone.
  void Interrupt() { child_.Interrupt(); }
  // Ends it at once; it leaves its temporary folder behind.
  void Kill() { child_.Kill(); }

  // Whether the child has ended (it is reaped then); does not wait.
  bool HasEnded() { return child_.Ended(); }
  bool Exited() const { return child_.Outcome().Exited; }  // by exit(), not by a signal
  int ExitCode() const { return Exited() ? child_.Outcome().ExitCode : -1; }

 private:
  friend void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs);

  platform::TChildProcess child_;
  std::string partial_;
};

// Waits until one of Children has output or TimeoutMs passed (a signal ends it early; on
// Windows so does a child's end).
void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs);

}  // namespace cli
