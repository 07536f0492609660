#include "platform/port_identity.h"

#include <cctype>

#include "platform/win32_api.h"
// After windows.h: SetupAPI's headers need its types.
#include <devguid.h>
#include <setupapi.h>

namespace platform {
namespace {

class TDeviceList {
 public:
  TDeviceList() : set_(::SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT)) {}
  ~TDeviceList() {
    if (set_ != INVALID_HANDLE_VALUE) ::SetupDiDestroyDeviceInfoList(set_);
  }
  TDeviceList(const TDeviceList&) = delete;
  TDeviceList& operator=(const TDeviceList&) = delete;
  HDEVINFO Get() const { return set_; }

 private:
  HDEVINFO set_;
};

std::string Property(HDEVINFO Set, SP_DEVINFO_DATA& Info, DWORD Which) {
  char buf[1024] = {};
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyA(Set, &Info, Which, &type, reinterpret_cast<BYTE*>(buf), sizeof buf - 1,
                                           nullptr))
    return {};
  return buf;  // a multi-string's first entry is the most specific id
}

std::string PortNameOf(HDEVINFO Set, SP_DEVINFO_DATA& Info) {
  HKEY key = ::SetupDiOpenDevRegKey(Set, &Info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return {};
  char name[256] = {};
  DWORD size = sizeof name - 1, type = 0;
  const bool ok = ::RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
                  ERROR_SUCCESS && type == REG_SZ;
  ::RegCloseKey(key);
  return ok ? name : std::string();
}

// "USB\VID_0403&PID_6001&REV_0600": the four hex digits after Key, lower case.
std::string IdField(const std::string& HardwareId, const char* Key) {
  const auto at = HardwareId.find(Key);
  if (at == std::string::npos || at + 4 + std::string(Key).size() > HardwareId.size()) return {};
  std::string hex = HardwareId.substr(at + std::string(Key).size(), 4);
  for (char& c : hex) c = char(std::tolower(static_cast<unsigned char>(c)));
  return hex;
}

// The serial number is the last part of a USB device's instance id, when the adapter has one
// (Windows makes up an id with '&' for those without).
std::string SerialOf(HDEVINFO Set, SP_DEVINFO_DATA& Info) {
  char id[512] = {};
  if (!::SetupDiGetDeviceInstanceIdA(Set, &Info, id, sizeof id - 1, nullptr)) return {};
  const std::string s = id;
  const auto slash = s.find_last_of('\\');
  const std::string last = slash == std::string::npos ? std::string() : s.substr(slash + 1);
  return s.rfind("USB\\", 0) == 0 && last.find('&') == std::string::npos ? last : std::string();
}

}  // namespace

TPortIdentity IdentityOf(const TPortMapValue& Value) {
  TPortIdentity id;
  TDeviceList list;
  if (list.Get() == INVALID_HANDLE_VALUE) return id;
  for (DWORD i = 0;; ++i) {
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    if (!::SetupDiEnumDeviceInfo(list.Get(), i, &info)) break;
    if (PortNameOf(list.Get(), info) != Value.Data) continue;
    id.FriendlyName = Property(list.Get(), info, SPDRP_FRIENDLYNAME);
    id.HardwareId = Property(list.Get(), info, SPDRP_HARDWAREID);
    id.Manufacturer = Property(list.Get(), info, SPDRP_MFG);
    id.Driver = Property(list.Get(), info, SPDRP_SERVICE);
    id.VendorId = IdField(id.HardwareId, "VID_");
    id.ProductId = IdField(id.HardwareId, "PID_");
    if (id.IsUsb()) id.SerialNumber = SerialOf(list.Get(), info);
    id.UsbPath = Property(list.Get(), info, SPDRP_LOCATION_INFORMATION);
    break;
  }
  return id;
}

std::vector<TSurveyedPort> SurveyPorts() {
  std::vector<TSurveyedPort> survey;
  if (const auto map = ReadPortMap())
    for (const TPortMapValue& v : *map) survey.push_back({v.Data, IdentityOf(v)});
  return survey;
}

}  // namespace platform
