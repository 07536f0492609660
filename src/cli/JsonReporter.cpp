// --json: one object per line on standard output, flushed at once, for scripts and for the
// --all parent that reads its children.
#include <cstdio>

#include "cli/JsonEvent.h"
#include "cli/Reporter.h"

namespace cli {
namespace {

nlohmann::ordered_json AdapterJson(const platform::TPortIdentity& A) {
  return {{"vendor_id", A.VendorId}, {"product_id", A.ProductId}, {"manufacturer", A.Manufacturer},
          {"product", A.Product},    {"serial_number", A.SerialNumber}, {"driver", A.Driver},
          {"usb_path", A.UsbPath},   {"stable_names", A.StableNames}};
}

class TJsonReporter : public TReporter {
 public:
  void Phase(const std::string& Text) override {
    if (!Text.empty()) EmitJsonEvent({{"event", "phase"}, {"text", Text}});
  }
  void DeviceText(const std::string& Text) override { EmitJsonEvent({{"event", "device"}, {"text", Text}}); }
  void Row(int Row, int Rows, const std::string& File, TRowState State) override {
    EmitJsonEvent(
        {{"event", "row"}, {"row", Row + 1}, {"rows", Rows}, {"file", File}, {"state", RowStateText(State, true)}});
  }
  void Progress(const TProgressFigures& F) override {
    EmitJsonEvent({{"event", "progress"},
                   {"row", F.Row},
                   {"bytes", F.Bytes},
                   {"total", F.Total},
                   {"percent", double(int64_t(F.Percent() * 100 + 0.5)) / 100},
                   {"rate", int64_t(F.Rate + 0.5)},
                   {"left", F.SecondsLeft < 0 ? nlohmann::ordered_json()
                                              : nlohmann::ordered_json(double(int64_t(F.SecondsLeft * 10)) / 10)}});
  }
  void Message(const std::string& Text) override { EmitJsonEvent({{"event", "message"}, {"text", Text}}); }
  void Outcome(const TOutcomeReport& O) override {
    nlohmann::ordered_json e{{"event", "outcome"},
                             {"outcome", O.Name},
                             {"status", O.Status},
                             {"text", O.Text},
                             {"port", O.Port},
                             {"device", O.Device},
                             {"seconds", double(int64_t(O.Seconds * 10 + 0.5)) / 10}};
    if (O.Adapter.IsUsb()) e["adapter"] = AdapterJson(O.Adapter);
    EmitJsonEvent(e);
  }
};

}  // namespace

void EmitJsonEvent(const nlohmann::ordered_json& Event) {
  const std::string line = Event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

std::unique_ptr<TReporter> MakeJsonReporter() { return std::make_unique<TJsonReporter>(); }

}  // namespace cli
