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
  int64_t Bytes = 0, Total = 0;
  double Rate = 0, Left = -1, Seconds = 0;
  // A port where no device answered is left out of the table.
  bool Listed() const;
};

class TAllDisplay {
 public:
  explicit TAllDisplay(const TCliArgs& Args);

  // One line of Run's child: updates Run and shows what its user should see of it.
  void Take(TDeviceRun& Run, const std::string& Line);
  // The combined progress line, a few times a second.
  void Refresh(const std::vector<TDeviceRun>& Runs);
  // The table (for --json the outcome event) and the failures' messages; returns the exit
  // status: 0 only when every device completed.
  int Finish(const std::vector<TDeviceRun>& Runs, bool Cancelled);

 private:
  void Show(const TDeviceRun& Run, const std::string& Text);

  TOutputMode mode_;
  TStatusLine line_;
  uint32_t refreshed_ = 0;
};

}  // namespace cli
