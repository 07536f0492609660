#include "platform/port_map.h"
#include "platform/port_map_env.h"
#include "platform/win32_api.h"

namespace platform {
namespace {

// Opened for reading values only: the map is never changed.
class TRegistryKey {
 public:
  TRegistryKey(HKEY Root, const char* Path) { ok_ = ::RegOpenKeyExA(Root, Path, 0, KEY_QUERY_VALUE, &key_) == ERROR_SUCCESS; }
  ~TRegistryKey() {
    if (ok_) ::RegCloseKey(key_);
  }
  TRegistryKey(const TRegistryKey&) = delete;
  TRegistryKey& operator=(const TRegistryKey&) = delete;
  bool Opened() const { return ok_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_{};
  bool ok_ = false;
};

std::vector<TPortMapValue> ReadValues(HKEY Key) {
  std::vector<TPortMapValue> map;
  for (DWORD index = 0;; ++index) {
    char name[16384];
    BYTE data[1024];
    DWORD nameLen = sizeof name, dataLen = sizeof data - 1, type = 0;
    const LONG r = ::RegEnumValueA(Key, index, name, &nameLen, nullptr, &type, data, &dataLen);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;  // too long or not a name: not a port
    std::string port(reinterpret_cast<const char*>(data), dataLen);
    while (!port.empty() && port.back() == '\0') port.pop_back();
    map.push_back({std::string(name, nameLen), port});
  }
  return map;
}

}  // namespace

std::optional<std::vector<TPortMapValue>> ReadPortMap() {
  if (auto only = PortsFromEnvironment()) return only;
  TRegistryKey key(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM");
  if (!key.Opened()) return std::nullopt;
  auto map = ReadValues(key.Get());
  AppendExtraPorts(map);
  return map;
}

}  // namespace platform
