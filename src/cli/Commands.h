#pragma once
// The commands. Each reports its outcome through Reporter and returns the exit status.
#include <optional>

#include "cli/Arguments.h"
#include "cli/Reporter.h"

namespace cli {

int RunSearch(const TCliArgs& Args, TReporter& Reporter);
int RunPlay(const TCliArgs& Args, TReporter& Reporter);
// One device: the sounds of the command line, or (--prepared) those the --all parent encoded.
int RunUpload(const TCliArgs& Args, TReporter& Reporter);
// prepare: the sounds as the device plays them, as WAVE files (PrepareCommand.cpp).
int RunPrepare(const TCliArgs& Args, TReporter& Reporter);
// table: the list's address table as CSV on standard output (TableCommand.cpp).
int RunTable(const TCliArgs& Args, TReporter& Reporter);
// upload --all: every device at once (AllDevices.cpp).
int RunUploadAll(const TCliArgs& Args, TReporter& Reporter);

// ---- shared by the commands ----

// The upload's rows: the list file's or the command line's; nothing when the list cannot
// be read, which is reported.
std::optional<std::vector<TUploadRow>> UploadRows(const TCliArgs& Args, TReporter& Reporter);
// Rows that share a digital address go only with --yes; otherwise says so and reports it.
bool AddressesAccepted(const TCliArgs& Args, const std::vector<TUploadRow>& Rows, TReporter& Reporter);
std::vector<std::string> FileNames(const std::vector<TUploadRow>& Rows);
TEngineTimeouts TimeoutsOf(const TCliArgs& Args);
// Reports Outcome and returns its status.
int Report(TReporter& Reporter, const TOutcomeReport& Outcome);

}  // namespace cli
