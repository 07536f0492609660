#pragma once
// The engine's front end in a terminal: it hands what the engine shows to a reporter,
// measures the data phase over all rows, and pumps the port's events the toolkit-free way,
// watching for Ctrl+C between them.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/Progress.h"
#include "cli/Reporter.h"
#include "device/Engine.h"

namespace cli {

// Thrown from a pump when the engine has not ended within a grace time after the cancel;
// not a std::exception, so no step of the engine takes it for a port failure.
struct TCancelRequest {};

class TCliFrontEnd : public TDeviceFrontEnd {
 public:
  // Files names the rows; DeviceNews: hand the search's found and failure texts to the
  // reporter (an upload), or keep them for the outcome (search, play).
  TCliFrontEnd(TReporter& Reporter, std::vector<std::string> Files, bool DeviceNews);
  void Attach(TDeviceEngine& Engine) { engine_ = &Engine; }

  bool CancelRequested() const { return cancelAt_.has_value(); }
  const TNotice& LastDeviceNews() const { return device_; }
  // The last message, else the last phase: why a run ended.
  TNotices LastNews() const { return message_.empty() ? TNotices{phase_} : message_; }

  void ShowPhase(const TNotice& Phase) override;
  void ShowDeviceNews(const TNotice& News) override;
  // The bar's figures are of the sound in flight; the whole upload's come as positions.
  void ShowProgressMaximum(int) override {}
  void ShowProgress(int) override {}
  void ShowUploadPosition(int64_t Sent, int64_t Total) override;
  void ShowRowState(int Row, TRowState State) override;
  void EnableControls(bool) override {}
  using TDeviceFrontEnd::ShowMessage;
  void ShowMessage(const TNotices& Message) override;
  void PumpEvents() override;
  bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) override;

 private:
  void ReportProgress(bool Always);
  void WatchInterrupt();

  TReporter& reporter_;
  std::vector<std::string> files_;
  bool deviceNews_;
  TDeviceEngine* engine_ = nullptr;
  TUploadMeter meter_;
  uint32_t reported_ = 0;
  TNotice phase_, device_;
  TNotices message_;
  std::optional<uint32_t> cancelAt_;
};

}  // namespace cli
