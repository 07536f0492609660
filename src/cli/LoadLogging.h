#pragma once
// --log for the upload commands: the log opened before anything is uploaded, and a record
// of a finished attempt.
#include <memory>
#include <string>

#include "cli/Arguments.h"
#include "cli/Reporter.h"
#include "fleet/LoadLog.h"

namespace cli {

// The log the command line asks for, or none without --log. Ok is false when it cannot be
// opened; that is reported as the command's error.
struct TOpenedLog {
  bool Ok = true;
  std::unique_ptr<fleet::TLoadLog> Log;
};
TOpenedLog OpenLoadLog(const TCliArgs& Args, TReporter& Reporter);

// The list as the log names it.
std::string LoggedList(const TCliArgs& Args);

// A message's lines on one line.
std::string OneLine(const std::string& Text);

}  // namespace cli
