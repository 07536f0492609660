#pragma once
// How a command ends: the exit status a script sees and the name JSON events and the --all
// table give it. The man page's EXIT STATUS section lists the same numbers.
#include <string>

#include "device/Engine.h"

namespace cli {

enum TExitStatus : int {
  esCompleted = 0,  // and for search and play: a device answered
  esNoDevice = 1,
  esBadArguments = 2,
  esListEmpty = 3,
  esConversionFailed = 4,
  esTooLarge = 5,
  esEraseTimeout = 6,
  esDeviceLost = 7,   // lost, or it stopped taking data
  esError = 8,        // a file, list or port could not be used; the message says why
  esUnexpectedReply = 9,  // the erase was answered with what the player never sends
  esCancelled = 130,  // what a shell reports for a program ended by Ctrl+C
};

TExitStatus StatusOf(TUploadOutcome Outcome);
// "Completed", "NoDevice", ... as JSON events and the --all table name it.
std::string OutcomeName(TUploadOutcome Outcome);

// Outcomes that are not an upload's.
inline const char* const kFoundName = "Found";
inline const char* const kErrorName = "Error";
inline const char* const kSharedAddressesName = "SharedAddresses";

}  // namespace cli
