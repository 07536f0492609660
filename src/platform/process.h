#pragma once
// Starting a program without a shell and waiting for its end. No Qt here: the caller
// hands in its own event pump.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct ProcessOutcome {
  bool Started = false;       // false: the program could not be started at all
  int StartError = 0;         // errno (Windows: GetLastError) of the failed start
  bool Exited = false;        // ended by exit() (otherwise by a signal; always on Windows)
  int ExitCode = -1;          // exit status, or the signal number when !Exited
  std::string ErrorOutput;    // tail of what the program wrote to standard error
};

// One running child. Standard input is /dev/null (NUL), standard output is discarded, standard
// error is collected (its last MaxErrorOutput bytes are kept). The child is reaped by the
// destructor, killed first if it still runs.
class ChildProcess {
 public:
  static constexpr size_t MaxErrorOutput = 16 * 1024;

  // argv[0] is taken from Program. A Program without '/' is looked up in PATH (on Windows
  // as CreateProcess looks it up, ".exe" added). Each argument arrives as exactly one.
  ChildProcess(const std::string& Program, const std::vector<std::string>& Args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return outcome_.Started; }
  // Collects pending error output, waiting at most TimeoutMs for some to arrive, and
  // reports whether the child still runs. Returns at once once it has ended.
  bool Running(int TimeoutMs = 0);
  const ProcessOutcome& Outcome() const { return outcome_; }

 private:
  void DrainErrorOutput(int TimeoutMs);
  void Reap(int Status);

  // Wide enough for a pid and a descriptor, or for a process HANDLE and a pipe HANDLE.
  std::intptr_t pid_ = -1;
  std::intptr_t err_fd_ = -1;
  bool finished_ = false;
  ProcessOutcome outcome_;
};

// Starts Program and waits for its end, calling Pump between polls (about every PollMs
// while nothing else happens). A program that cannot be started returns at once.
ProcessOutcome RunAndWait(const std::string& Program, const std::vector<std::string>& Args,
                          const std::function<void()>& Pump, int PollMs = 5);

// The last line of Text that is not blank, with \r treated as a line end too (progress
// output rewrites its line with \r).
std::string LastLine(const std::string& Text);

}  // namespace platform
