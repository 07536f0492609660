// --json: one object per line on standard output, flushed at once, for scripts and for the
// --all parent that reads its children. Identifiers and arguments are the stable fields;
// "text" is their wording in the user's language.
#include <cstdio>

#include "cli/JsonEvent.h"
#include "cli/Reporter.h"
#include "device/Wording.h"

namespace cli {
namespace {

using json = nlohmann::ordered_json;

json AdapterJson(const platform::TPortIdentity& A) {
  return {{"vendor_id", A.VendorId}, {"product_id", A.ProductId}, {"manufacturer", A.Manufacturer},
          {"product", A.Product},    {"serial_number", A.SerialNumber}, {"driver", A.Driver},
          {"usb_path", A.UsbPath},   {"stable_names", A.StableNames}};
}

json ArgsOf(const TNotice& Notice) {
  json args = json::array();
  for (const TNoticeArg& a : Notice.Args) {
    if (const auto* s = std::get_if<std::string>(&a)) args.push_back(*s);
    else if (const auto* n = std::get_if<int64_t>(&a)) args.push_back(*n);
    else args.push_back(std::get<TDecimal>(a).Value);
  }
  return args;
}

json LinesOf(const TNotices& Message) {
  json lines = json::array();
  for (const TNotice& n : Message) lines.push_back({{"id", NoticeName(n.Id)}, {"args", ArgsOf(n)}});
  return lines;
}

json NoticeEvent(const char* Event, const TNotice& Notice) {
  return {{"event", Event}, {"id", NoticeName(Notice.Id)}, {"args", ArgsOf(Notice)}, {"text", Word(Notice)}};
}

class TJsonReporter : public TReporter {
 public:
  void Phase(const TNotice& Phase) override {
    if (Phase.Id != TNoticeId::None) EmitJsonEvent(NoticeEvent("phase", Phase));
  }
  void DeviceNews(const TNotice& News) override { EmitJsonEvent(NoticeEvent("device", News)); }
  void Row(int Row, int Rows, const std::string& File, TRowState State) override {
    EmitJsonEvent({{"event", "row"},
                   {"row", Row + 1},
                   {"rows", Rows},
                   {"file", File},
                   {"state", RowStateName(State)},
                   {"text", RowStateText(State)}});
  }
  void Progress(const TProgressFigures& F) override {
    EmitJsonEvent({{"event", "progress"},
                   {"row", F.Row},
                   {"bytes", F.Bytes},
                   {"total", F.Total},
                   {"percent", double(int64_t(F.Percent() * 100 + 0.5)) / 100},
                   {"rate", int64_t(F.Rate + 0.5)},
                   {"left", F.SecondsLeft < 0 ? json() : json(double(int64_t(F.SecondsLeft * 10)) / 10)}});
  }
  void Message(const TNotices& Message) override {
    EmitJsonEvent({{"event", "message"},
                   {"id", Message.empty() ? "None" : NoticeName(Message.front().Id)},
                   {"lines", LinesOf(Message)},
                   {"text", Word(Message)}});
  }
  void Outcome(const TOutcomeReport& O) override {
    json e{{"event", "outcome"},
           {"outcome", O.Name},
           {"status", O.Status},
           {"text", Word(O.News)},
           {"lines", LinesOf(O.News)},
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
