#pragma once
// An engine set up as the command line asks, with its front end, and the way a command's
// step becomes an outcome whatever ends it.
#include <functional>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/FrontEnd.h"
#include "cli/Reporter.h"
#include "device/Engine.h"

namespace cli {

class TEngineRig {
 public:
  TEngineRig(const TCliArgs& Args, TReporter& Reporter, std::vector<std::string> Files, bool DeviceNews);

  // Runs Step; a cancel, an error or a run ended after Ctrl+C become their outcome.
  TOutcomeReport Guard(const std::function<TOutcomeReport()>& Step);
  // The same, reported; returns the exit status.
  int Run(const std::function<TOutcomeReport()>& Step);

  TOutcomeReport Found() const;
  TOutcomeReport NoDevice() const;
  TOutcomeReport Upload(TUploadOutcome Outcome) const;

  TReporter& reporter;
  TCliFrontEnd front;
  TDeviceEngine engine;
};

}  // namespace cli
