#pragma once
// Run a program and wait for its end while the front end stays alive.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"

// Show mode the encoder is started with (minimised). Linux opens no console window, so the
// value is carried but has no effect there.
constexpr uint16_t SW_MINIMIZE = 6;

struct TExecuteResult {
  bool Started = false;     // false: the program could not be started
  int StartError = 0;       // errno of a failed start
  bool Exited = false;      // ended by exit(), not by a signal
  int ExitCode = -1;
  std::string ErrorOutput;  // tail of the program's standard error

  bool Succeeded() const { return Started && Exited && ExitCode == 0; }
  // One line telling why the program did not succeed; empty when it did.
  std::string Failure(const std::string& FileName) const;
};

// Starts FileName with Params (one entry per argument, no shell involved), standard input
// from the null device, in a process group of its own, and calls Pump until it has ended. Returns at once when the
// program cannot be started.
// What a finished child came to, in the engine's terms.
TExecuteResult ResultOf(const platform::TProcessOutcome& Outcome);

TExecuteResult ExecuteAndWait(const std::string& FileName, const std::vector<std::string>& Params,
                              uint16_t ShowMode, const std::function<void()>& Pump);
