#pragma once
// upload --all as its user sees it: every device's child reports in JSON; this shows one
// combined progress, then the table of devices.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Reporter.h"
#include "cli/StatusBlock.h"
#include "cli/StatusLine.h"
#include "fleet/Fleet.h"
#include "platform/port_identity.h"

namespace cli {

struct TCliArgs;

// One device of the run (with --watch one attempt on it), as its child's events tell it.
struct TDeviceRun {
  std::string Port;  // as its user reads it: the port's label
  std::string Device{};
  std::string Phase{};    // the last phase, or the percentage in the data phase
  std::string Outcome{};  // empty while the child runs
  int Status = -1;
  std::string Message{};  // the child's last message
  std::string Problem{};  // why the search could not probe the port (in use, no permission)
  int64_t Bytes = 0, Total = 0;
  double Rate = 0, Left = -1, Seconds = 0;
  std::string Path{};  // the port's path
  platform::TPortIdentity Adapter{};
  int Attempt = 1, Attempts = 1;
  std::string MemoryMb{};     // of the found device
  std::string OutcomeText{};  // the child's outcome worded
  std::string ErrorLine{};    // the last line of its standard error
  bool Greeted = false;       // its first event said a protocol version this parent speaks
  // A port where no device answered, nor was one found before a cancel, is left out of the
  // table; one the search could not probe is listed with its reason.
  bool Listed() const;
  // What its user reads of a run that did not complete.
  std::string Failure() const;
  // The reason a log gives: its message, else its outcome's words, else its last error line.
  std::string Reason() const;
  fleet::TResult Result() const;
};

class TAllDisplay {
 public:
  // Files: the sounds', whose names the children's texts may carry.
  TAllDisplay(const TCliArgs& Args, std::vector<std::string> Files);

  // One line of Run's child: updates Run and shows what its user should see of it. Returns
  // false for a child of another protocol, which must be ended (Run says why).
  bool Take(TDeviceRun& Run, const std::string& Line);
  // The combined progress line (--watch: a line per running device and the counts), a few
  // times a second.
  void Refresh(const std::vector<const TDeviceRun*>& Runs, const fleet::TCounts& Counts);
  // The news of the run beside the children's own.
  void Attempt(const TDeviceRun& Run);
  void Ended(const TDeviceRun& Run);
  void Unplugged(const std::string& Path);
  void Counts(const fleet::TCounts& Counts);
  void Watching(bool Watching);
  // A permanent line above the status (--watch, a child's standard error, a failed log).
  void Print(const std::string& Text);
  // The table (for --json the outcome event) and the failures' messages; returns the exit
  // status: 0 only when every device completed, 130 when an upload was cancelled (after
  // Ctrl+C also when no device was listed).
  int Finish(const std::vector<TDeviceRun>& Runs, bool CtrlC);

 private:
  void Show(const TDeviceRun& Run, const std::string& Text);
  void ErrorLine(TDeviceRun& Run, const std::string& Line);
  void RefreshWatch(const std::vector<const TDeviceRun*>& Runs, const fleet::TCounts& Counts);

  TOutputMode mode_;
  bool watch_;
  TStatusLine line_;
  TStatusBlock block_;
  uint32_t refreshed_ = 0;
  std::vector<std::string> files_;
};

}  // namespace cli
