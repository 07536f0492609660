#include "device/F_Execute.h"

#include "platform/error_text.h"
#include "platform/process.h"

namespace {

std::string Trimmed(const std::string& S) {
  const auto b = S.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return S.substr(b, S.find_last_not_of(" \t\r\n") - b + 1);
}

}  // namespace

std::string TExecuteResult::Failure(const std::string& FileName) const {
  if (!Started) return "cannot start " + FileName + ": " + platform::SystemErrorText(static_cast<uint32_t>(StartError));
  if (!Exited) return FileName + " was ended by signal " + std::to_string(ExitCode);
  if (ExitCode == 0) return {};
  const std::string last = Trimmed(platform::LastLine(ErrorOutput));
  if (!last.empty()) return last;
  return FileName + " ended with exit code " + std::to_string(ExitCode);
}

TExecuteResult ExecuteAndWait(const std::string& FileName, const std::vector<std::string>& Params, uint16_t,
                              const std::function<void()>& Pump) {
  // Out of the terminal's process group: Ctrl+C is this program's to turn into a cancel.
  return ResultOf(platform::RunAndWait(FileName, Params, Pump, 0, {.OwnGroup = true}));
}

TExecuteResult ResultOf(const platform::TProcessOutcome& Outcome) {
  TExecuteResult r;
  r.Started = Outcome.Started;
  r.StartError = Outcome.StartError;
  r.Exited = Outcome.Exited;
  r.ExitCode = Outcome.ExitCode;
  r.ErrorOutput = Outcome.ErrorOutput;
  return r;
}
