#pragma once
// upload --all as its user sees it: every device's child reports in JSON; this shows one
// combined progress, then the table of devices.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Reporter.h"
#include "cli/StatusLine.h"

namespace cli {

struct TCliArgs;

// One device of the run, as its child's events tell it.
struct TDeviceRun {
  std::string Port;
  std::string Device{};
  std::string Phase{};    // the last phase, or the percentage in the data phase
  std::string Outcome{};  // empty while the child runs
  int Status = -1;
  std::string Message{};  // the child's last message
  std::string Problem{};  // why the search could not probe the port (in use, no permission)
  int64_t Bytes = 0, Total = 0;
  double Rate = 0, Left = -1, Seconds = 0;
  // A port where no device answered, nor was one found before a cancel, is left out of the
  // table; one the search could not probe is listed with its reason.
  bool Listed() const;
  // What its user reads of a run that did not complete.
  std::string Failure() const;
};

class TAllDisplay {
 public:
  // Files: the sounds', whose names the children's texts may carry.
  TAllDisplay(const TCliArgs& Args, std::vector<std::string> Files);

  // One line of Run's child: updates Run and shows what its user should see of it.
  void Take(TDeviceRun& Run, const std::string& Line);
  // The combined progress line, a few times a second.
  void Refresh(const std::vector<TDeviceRun>& Runs);
  // The table (for --json the outcome event) and the failures' messages; returns the exit
  // status: 0 only when every device completed, 130 when an upload was cancelled (after
  // Ctrl+C also when no device was listed).
  int Finish(const std::vector<TDeviceRun>& Runs, bool CtrlC);

 private:
  void Show(const TDeviceRun& Run, const std::string& Text);

  TOutputMode mode_;
  TStatusLine line_;
  uint32_t refreshed_ = 0;
  std::vector<std::string> files_;
};

}  // namespace cli
