#include "cli/ExitStatus.h"

namespace cli {

TExitStatus StatusOf(TUploadOutcome Outcome) {
  switch (Outcome) {
    case TUploadOutcome::Completed:
      return esCompleted;
    case TUploadOutcome::NoFile:
      return esListEmpty;
    case TUploadOutcome::EncodingFailed:
      return esConversionFailed;
    case TUploadOutcome::NoDevice:
      return esNoDevice;
    case TUploadOutcome::TooLarge:
      return esTooLarge;
    case TUploadOutcome::EraseTimeout:
      return esEraseTimeout;
    case TUploadOutcome::DeviceLost:
    case TUploadOutcome::DeviceStopped:
      return esDeviceLost;
    case TUploadOutcome::Cancelled:
      return esCancelled;
    case TUploadOutcome::NotStarted:
      break;
  }
  return esError;
}

std::string OutcomeName(TUploadOutcome Outcome) {
  switch (Outcome) {
    case TUploadOutcome::Completed:
      return "Completed";
    case TUploadOutcome::NotStarted:
      return "NotStarted";
    case TUploadOutcome::NoFile:
      return "NoFile";
    case TUploadOutcome::EncodingFailed:
      return "EncodingFailed";
    case TUploadOutcome::NoDevice:
      return "NoDevice";
    case TUploadOutcome::TooLarge:
      return "TooLarge";
    case TUploadOutcome::EraseTimeout:
      return "EraseTimeout";
    case TUploadOutcome::DeviceLost:
      return "DeviceLost";
    case TUploadOutcome::DeviceStopped:
      return "DeviceStopped";
    case TUploadOutcome::Cancelled:
      return "Cancelled";
  }
  return kErrorName;
}

}  // namespace cli
