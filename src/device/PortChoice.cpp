#include "device/PortChoice.h"

#include <cctype>
#include <vector>

#include "i18n/Translate.h"
#include "platform/port_identity.h"

namespace {

std::string Lower(std::string Text) {
  for (char& c : Text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return Text;
}

bool IsIdPair(const std::string& Text) {
  if (Text.size() != 9 || Text[4] != ':') return false;
  for (size_t i = 0; i < Text.size(); ++i)
    if (i != 4 && !std::isxdigit(static_cast<unsigned char>(Text[i]))) return false;
  return true;
}

bool Matches(const platform::TPortIdentity& Id, const std::string& Wanted) {
  if (IsIdPair(Wanted) && Lower(Wanted) == Id.VendorId + ":" + Id.ProductId) return true;
  return !Id.SerialNumber.empty() && Id.SerialNumber == Wanted;
}

}  // namespace

std::string ResolvePortChoice(const std::string& Choice) {
  if (Choice.rfind("usb:", 0) != 0) return Choice;
  const std::string wanted = Choice.substr(4);
  std::vector<std::string> found;
  for (const platform::TSurveyedPort& s : platform::SurveyPorts())
    if (s.Skip == platform::TSkipReason::None && Matches(s.Identity, wanted)) found.push_back(s.Port);
  if (found.size() == 1) return found[0];
  if (found.empty())
    throw EPortChoice(i18n::Fill(i18n::Tr("No serial port belongs to the USB adapter %1. "
                                          "kestrilo-cli ports lists the adapters present."), {Choice}));
  std::string ports;
  for (const std::string& p : found) ports += (ports.empty() ? "" : ", ") + p;
  throw EPortChoice(i18n::Fill(i18n::Tr("%1 matches more than one port (%2): name one by its serial number "
                                        "(usb:SERIAL) or its /dev/serial/by-id name."), {Choice, ports}));
}
