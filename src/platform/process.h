#pragma once
// Starting a program without a shell, reading what it writes and waiting for its end. No Qt
// here: the caller hands in its own event pump.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct TProcessOutcome {
  bool Started = false;       // false: the program could not be started at all
  int StartError = 0;         // errno (Windows: GetLastError) of the failed start
  bool Exited = false;        // ended by exit() (otherwise by a signal; always on Windows)
  int ExitCode = -1;          // exit status, or the signal number when !Exited
  std::string ErrorOutput;    // tail of what the program wrote to standard error (Running)
};

// The child's streams that go into the pipe this process reads. Standard output that is not
// piped is discarded; standard error that is not piped stays this process's.
enum class TPipedStreams { Error, Output, OutputAndError };

struct TChildOptions {
  TPipedStreams Piped = TPipedStreams::Error;
  // A Program without '/' is looked up in PATH (on Windows as CreateProcess looks it up,
  // ".exe" added); otherwise it is taken as it is.
  bool LookUpInPath = true;
  // On Windows Interrupt reaches only a child in a process group of its own that shares this
  // process's console; a child that is not interruptible gets no console window instead.
  bool Interruptible = false;
  // The child leads a process group of its own (Windows: CREATE_NEW_PROCESS_GROUP), so the
  // terminal's Ctrl+C reaches only this process, which decides what the child's end is.
  bool OwnGroup = false;
};

// One running child. Standard input is /dev/null (NUL). The child is reaped by the
// destructor, killed first if it still runs (with its whole group when it leads one).
class TChildProcess {
 public:
  static constexpr size_t MaxErrorOutput = 16 * 1024;

  // argv[0] is taken from Program. Each argument arrives as exactly one.
  TChildProcess(const std::string& Program, const std::vector<std::string>& Args, const TChildOptions& Options = {});
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  bool Started() const { return outcome_.Started; }
  // Collects what is in the pipe as error output (its last MaxErrorOutput bytes are kept),
  // waiting at most TimeoutMs for some to arrive, and reports whether the child still runs.
  // Returns at once once it has ended.
  bool Running(int TimeoutMs = 0);
  const TProcessOutcome& Outcome() const { return outcome_; }

  // For a caller that reads the pipe itself instead of Running.
  bool PipeOpen() const { return pipe_ != -1; }
  // Some of what is in the pipe now: the count, 0 at its end (the pipe is closed then), -1
  // while none waits. Does not wait.
  long Read(char* Buf, size_t Size);
  // Whether the child has ended (it is reaped then and Outcome tells how); Wait: until it has.
  bool Ended(bool Wait = false);
  // As Ctrl+C would (to the child's whole group when it leads one); on Windows Ctrl+Break,
  // and where that cannot be sent the child is ended.
  void Interrupt();
  // As Ctrl+C to the child alone, not to the group it leads: a parent that hands interrupts
  // on to its own children decides itself. On Windows the same as Interrupt.
  void InterruptLeader();
  // Ends the child at once, without its clean-up; it is reaped by Ended.
  void Kill();

 private:
  void CollectErrorOutput();
  void ClosePipe();
  friend void WaitForOutput(const std::vector<TChildProcess*>& Children, int TimeoutMs);

  // Wide enough for a pid and a descriptor, or for a process HANDLE and a pipe HANDLE.
  std::intptr_t pid_ = -1;
  std::intptr_t pipe_ = -1;
  bool ended_ = false;
  bool ownGroup_ = false;
  TProcessOutcome outcome_;
};

// Waits until one of Children has something in its pipe or TimeoutMs passed (a signal ends it
// early; on Windows so does a child's end).
void WaitForOutput(const std::vector<TChildProcess*>& Children, int TimeoutMs);

// Starts Program and waits for its end, calling Pump between polls (about every PollMs
// while nothing else happens). A program that cannot be started returns at once.
TProcessOutcome RunAndWait(const std::string& Program, const std::vector<std::string>& Args,
                          const std::function<void()>& Pump, int PollMs = 5, const TChildOptions& Options = {});

// The last line of Text that is not blank, with \r treated as a line end too (progress
// output rewrites its line with \r).
std::string LastLine(const std::string& Text);

}  // namespace platform
