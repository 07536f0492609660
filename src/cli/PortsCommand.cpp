#include "cli/PortsCommand.h"

#include <cstdio>

#include "cli/ExitStatus.h"
#include "cli/JsonEvent.h"
#include "cli/TerminalText.h"
#include "device/PortReport.h"
#include "i18n/Translate.h"

namespace cli {
namespace {

nlohmann::ordered_json JsonOf(const TPortReport& R) {
  const platform::TPortIdentity& id = R.Surveyed.Identity;
  nlohmann::ordered_json j{{"event", "port"},        {"port", PortTitle(R)},     {"searched", R.Probed},
                           {"state", R.State},       {"text", R.StateText},      {"fix", R.Fix},
                           {"holder", R.Holder},     {"group", R.Group},         {"vendor_id", id.VendorId},
                           {"product_id", id.ProductId}, {"manufacturer", id.Manufacturer},
                           {"product", id.Product},  {"serial_number", id.SerialNumber},
                           {"driver", id.Driver},    {"usb_path", id.UsbPath},   {"stable_names", id.StableNames},
                           {"friendly_name", id.FriendlyName}, {"hardware_id", id.HardwareId},
                           {"brltty_rule", R.Surveyed.BrlttyRule}};
  return j;
}

void PrintText(const TPortReport& R) {
  const auto line = [](const std::string& Text) { std::printf("    %s\n", EscapeControls(Text).c_str()); };
  std::printf("%s\n", EscapeControls(i18n::Fill(i18n::Tr("%1: %2"), {PortTitle(R), R.StateText})).c_str());
  if (const std::string id = IdentityLine(R.Surveyed.Identity); !id.empty()) line(id);
  for (const std::string& name : R.Surveyed.Identity.StableNames) line(name);
  if (!R.Fix.empty()) line(R.Fix);
}

}  // namespace

int RunPorts(const TCliArgs& Args) {
  const std::vector<TPortReport> reports = ReportPorts();
  for (const TPortReport& r : reports) {
    if (Args.Json)
      EmitJsonEvent(JsonOf(r));
    else
      PrintText(r);
  }
  if (reports.empty() && !Args.Json) std::printf("%s\n", i18n::Tr("No serial port found.").c_str());
  std::fflush(stdout);
  return esCompleted;
}

}  // namespace cli
