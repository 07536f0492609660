#include "device/PortReport.h"

#include <map>

#include "i18n/Translate.h"
#include "platform/port_state.h"

namespace {

using platform::TSkipReason;

void ReportState(TPortReport& R) {
  const platform::TPortState s = platform::PortStateOf(R.Surveyed.Port);
  R.Holder = s.Holder;
  R.Group = s.Group;
  switch (s.Condition) {
    case platform::TPortCondition::Free:
      R.State = "free";
      R.StateText = i18n::Tr("free");
      break;
    case platform::TPortCondition::InUse:
      R.State = "in-use";
      R.StateText = s.Holder.empty() ? i18n::Tr("in use by another program") : i18n::Fill(i18n::Tr("in use by %1"), {s.Holder});
      R.Fix = i18n::Tr("Close the program that holds the port, then search again.");
      break;
    case platform::TPortCondition::ModemManager:
      R.State = "modemmanager";
      R.StateText = i18n::Tr("being probed by ModemManager");
      R.Fix = i18n::Tr("ModemManager tries every new port for about ten seconds: wait, then search again. "
                       "The udev rules of Kestrilo's package tell it to leave serial adapters alone.");
      break;
    case platform::TPortCondition::NoPermission:
      R.State = "no-permission";
      R.StateText = i18n::Tr("no permission");
      R.Fix = s.JoinedLater
                  ? i18n::Fill(i18n::Tr("You are in the group %1, but this session began before you joined it: "
                                        "log out and in again."), {s.Group})
                  : i18n::Fill(i18n::Tr("Only the group %1 may open it: run sudo adduser $USER %1, then log out "
                                        "and in again."), {s.Group});
      break;
  }
}

void ReportSkipped(TPortReport& R) {
  R.Probed = false;
  if (R.Surveyed.Skip == TSkipReason::PhantomUart) {
    R.State = "phantom-uart";
    R.StateText = i18n::Tr("a phantom UART, not searched");
    R.Fix = i18n::Tr("The serial8250 driver lists this port, but no UART answers there. Nothing to do.");
  } else if (!R.Surveyed.BrlttyRule.empty()) {
    R.State = "brltty";
    R.StateText = i18n::Tr("claimed by brltty");
    R.Fix = i18n::Fill(i18n::Tr("The adapter is on the USB bus but has no serial port: brltty's rules (%1) take it "
                                "for a braille display. Remove brltty (sudo apt remove brltty) or mask it (sudo "
                                "systemctl mask brltty-udev.service), then plug the adapter in again."),
                       {R.Surveyed.BrlttyRule});
  } else {
    R.State = "no-tty";
    R.StateText = i18n::Tr("no serial port");
    R.Fix = i18n::Tr("The adapter is on the USB bus but no driver gave it a serial port. Plug it in again; if "
                     "that does not help, its driver is missing.");
  }
}

}  // namespace

std::vector<TPortReport> ReportPorts() {
  std::vector<TPortReport> reports;
  for (platform::TSurveyedPort& s : platform::SurveyPorts()) {
    TPortReport r;
    r.Surveyed = std::move(s);
    if (r.Surveyed.Skip == TSkipReason::None)
      ReportState(r);
    else
      ReportSkipped(r);
    reports.push_back(std::move(r));
  }
  return reports;
}

std::string PortTitle(const TPortReport& Report) {
  if (Report.Surveyed.Skip == TSkipReason::NoTty) return i18n::Fill(i18n::Tr("USB %1"), {Report.Surveyed.Identity.UsbPath});
  return Report.Surveyed.Port;
}

std::string IdentityLine(const platform::TPortIdentity& Id) {
  std::string line = platform::DescribeAdapter(Id);
  const auto add = [&line](const std::string& Part) { line += (line.empty() ? "" : ", ") + Part; };
  if (Id.IsUsb())
    add(Id.UsbPath.empty() ? i18n::Fill(i18n::Tr("USB %1:%2"), {Id.VendorId, Id.ProductId})
                           : i18n::Fill(i18n::Tr("USB %1:%2 at %3"), {Id.VendorId, Id.ProductId, Id.UsbPath}));
  else if (!Id.HardwareId.empty())
    add(Id.HardwareId);
  if (!Id.Driver.empty()) add(i18n::Fill(i18n::Tr("driver %1"), {Id.Driver}));
  return line;
}

std::string BrlttyTrapText() {
  for (const platform::TSurveyedPort& s : platform::SurveyPorts())
    if (s.Skip == TSkipReason::NoTty && !s.BrlttyRule.empty())
      return i18n::Fill(i18n::Tr("The USB serial adapter %1 has no serial port, because brltty took "
                                 "it for a braille display. Remove brltty (sudo apt remove brltty) or mask it (sudo "
                                 "systemctl mask brltty-udev.service), then plug the adapter in again."),
                        {platform::DescribeAdapter(s.Identity)});
  return {};
}

std::vector<std::string> TellApart(const std::vector<std::string>& Ports) {
  std::vector<platform::TPortIdentity> ids;
  std::map<std::string, int> serials;
  for (const std::string& p : Ports) {
    ids.push_back(platform::IdentityOf({p, p}));
    if (!ids.back().SerialNumber.empty()) ++serials[ids.back().SerialNumber];
  }
  std::vector<std::string> labels;
  for (size_t i = 0; i < Ports.size(); ++i) {
    const platform::TPortIdentity& id = ids[i];
    // Clones of one adapter may share a serial number: then only the socket tells them apart.
    if (!id.SerialNumber.empty() && serials[id.SerialNumber] == 1)
      labels.push_back(Ports[i] + " (" + id.SerialNumber + ")");
    else if (!id.UsbPath.empty())
      labels.push_back(i18n::Fill(i18n::Tr("%1 (USB %2)"), {Ports[i], id.UsbPath}));
    else
      labels.push_back(Ports[i]);
  }
  return labels;
}
