#include "platform/port_holder.h"
#include "platform/win32_api.h"

namespace platform {

// A port is opened unshared: another holder makes the open fail with access denied.
TPortRefusal PortRefusalOf(uint32_t Code) {
  return Code == ERROR_ACCESS_DENIED || Code == ERROR_SHARING_VIOLATION ? TPortRefusal::InUse : TPortRefusal::Other;
}

// Windows does not tell which process holds a COM port without a driver query.
std::string PortHolder(const std::string&) { return {}; }

}  // namespace platform
