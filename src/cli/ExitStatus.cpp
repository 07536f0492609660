#include "cli/ExitStatus.h"

namespace cli {
namespace {

struct TOutcomeRow {
  TUploadOutcome Outcome;
  TExitStatus Status;
  const char* Name;
};

constexpr TOutcomeRow kOutcomes[] = {
    {TUploadOutcome::Completed, esCompleted, "Completed"},
    {TUploadOutcome::NotStarted, esError, "NotStarted"},
    {TUploadOutcome::NoFile, esListEmpty, "NoFile"},
    {TUploadOutcome::EncodingFailed, esConversionFailed, "EncodingFailed"},
    {TUploadOutcome::NoDevice, esNoDevice, "NoDevice"},
    {TUploadOutcome::TooLarge, esTooLarge, "TooLarge"},
    {TUploadOutcome::EraseTimeout, esEraseTimeout, "EraseTimeout"},
    {TUploadOutcome::DeviceLost, esDeviceLost, "DeviceLost"},
    {TUploadOutcome::DeviceStopped, esDeviceLost, "DeviceStopped"},
    {TUploadOutcome::Cancelled, esCancelled, "Cancelled"},
    {TUploadOutcome::UnexpectedReply, esUnexpectedReply, "UnexpectedReply"},
};

const TOutcomeRow* RowOf(TUploadOutcome Outcome) {
  for (const TOutcomeRow& row : kOutcomes)
    if (row.Outcome == Outcome) return &row;
  return nullptr;
}

}  // namespace

TExitStatus StatusOf(TUploadOutcome Outcome) {
  const TOutcomeRow* row = RowOf(Outcome);
  return row ? row->Status : esError;
}

std::string OutcomeName(TUploadOutcome Outcome) {
  const TOutcomeRow* row = RowOf(Outcome);
  return row ? row->Name : kErrorName;
}

}  // namespace cli
