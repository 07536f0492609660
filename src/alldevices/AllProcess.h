#pragma once
// `kestrilo-cli upload --all` run as a child of the window: its output read without ever
// waiting, and the interrupts that stop it step by step (stop watching, cancel, kill), as
// Ctrl+C would in a terminal. No Qt here: the window polls it from a timer.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace alldevices {

// How the run is asked for.
struct TRunSettings {
  bool Watch = true;     // keep loading devices as they are plugged in
  std::string LogFile;   // a record of every load; empty: none
  std::string ListName;  // the list as the log names it: the user's file, not the copy the tool reads
};

// kestrilo-cli beside the running program; empty when it is not there.
std::string CliProgram();

// upload --all --json [--watch] [--log FILE] --yes LISTFILE. --yes: the window has asked
// about shared addresses already; the list file holds the sound options.
std::vector<std::string> UploadAllArguments(const TRunSettings& Settings, const std::string& ListFile);

// How long a stop waits for each step; tests make them short.
struct TStopTimes {
  uint32_t WatchStopMs = 1000;  // for the end of watching, before the interrupt that cancels
  uint32_t GapMs = 200;         // between two interrupts, so the tool counts both
  uint32_t CancelMs = 30000;    // an abort: for cancelled uploads to end
  uint32_t KillMs = 5000;       // then for the children the last interrupt kills
};

class TAllProcess {
 public:
  // Starts Program with Args, in a process group of its own so that only the window decides
  // its end. Throws std::system_error when it cannot be started.
  TAllProcess(const std::string& Program, const std::vector<std::string>& Args, bool Watch, TStopTimes Times = {});
  // A run still going is aborted, waited for a few seconds at most, then killed.
  ~TAllProcess();
  TAllProcess(const TAllProcess&) = delete;
  TAllProcess& operator=(const TAllProcess&) = delete;

  // Hands over each whole line written so far and sends the interrupts that are due. Never
  // waits. Returns false once the tool has ended and its output is read.
  bool Poll(const std::function<void(const std::string&)>& Line);
  bool Ended() const { return ended_; }
  int ExitStatus() const;  // -1 when a signal ended it

  void StopWatching();   // the first interrupt, in a watching run
  void Cancel();         // the interrupts up to the one that cancels the uploads
  void Abort();          // cancel; what has not ended in time is killed
  void WatchStopped() { watchStopped_ = true; }  // the tool said so: a cancel may go on
  bool Cancelling() const { return wanted_ >= CancelLevel(); }
  // A watching run not yet asked to stop watching.
  bool MayStopWatching() const { return watch_ && wanted_ == 0; }
  bool Aborting() const { return aborting_; }
  bool Killed() const { return killed_; }

 private:
  int CancelLevel() const { return watch_ ? 2 : 1; }
  void SendDueInterrupts();
  void ReadLines(const std::function<void(const std::string&)>& Line);

  platform::TChildProcess child_;
  bool watch_;
  TStopTimes times_;
  int sent_ = 0, wanted_ = 0;  // interrupts
  uint32_t sentAt_ = 0, abortAt_ = 0;
  bool watchStopped_ = false, aborting_ = false, killed_ = false, ended_ = false;
  std::string partial_;
};

}  // namespace alldevices
