#pragma once
// upload --all's children: one per device, started as ports are there (and, with --watch, as
// they are plugged in and settle), followed without ever waiting on any one of them.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/AllDisplay.h"
#include "cli/Arguments.h"
#include "cli/ChildPipe.h"
#include "fleet/Fleet.h"
#include "fleet/LoadLog.h"

namespace cli {

// What every child is given and every log line names.
struct TAllSetup {
  std::string Manifest;  // the prepared sounds, read-only
  std::string Digest;
  fleet::TLoadLog* Log = nullptr;
};

class TAllRun {
 public:
  TAllRun(const TCliArgs& Args, TAllSetup Setup, TAllDisplay& Display);

  // Uploads to Ports at once and, with --watch, to each port plugged in later until Ctrl+C;
  // returns when every child has ended. Present: the ports there now that are not to be
  // loaded (--watch).
  void Run(const std::vector<std::string>& Ports, const std::vector<std::string>& Present);
  // Each device's last attempt that found one (else its last), in the order they came.
  std::vector<TDeviceRun> Devices() const;
  // Whether children were killed, whether uploads were cancelled by Ctrl+C, and whether a
  // log line could not be written.
  bool Killed() const { return killed_; }
  bool CancelledByCtrlC() const;
  bool LogFailed() const { return logFailed_; }

 private:
  struct TAttempt {
    std::unique_ptr<TChildPipe> Child;
    TDeviceRun Run;
    std::string Device;  // its key in the fleet
    uint32_t Start = 0;
    bool Open = true;
  };

  void StartDue();
  void Begin(const std::string& Port, const std::string& Label);
  void Follow();
  void Close(TAttempt& A);
  void Look();
  void PassOnInterrupts();
  void Record(const TDeviceRun& Run);
  void ShowCounts();
  size_t Running() const;

  const TCliArgs& args_;
  TAllSetup setup_;
  TAllDisplay& display_;
  fleet::TFleet fleet_;
  std::vector<std::unique_ptr<TAttempt>> attempts_;
  std::vector<std::string> pending_;  // settled ports waiting for their last attempt to end
  std::map<std::string, std::string> labels_;
  std::vector<std::string> order_;             // devices as they came
  std::map<std::string, TDeviceRun> devices_;  // each one's last attempt
  fleet::TCounts shown_;
  bool watching_ = false, killed_ = false, logFailed_ = false;
  int passedOn_ = 0;
  uint32_t looked_ = 0;
};

}  // namespace cli
