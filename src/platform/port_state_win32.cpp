#include "platform/port_state.h"

#include "platform/port_holder.h"
#include "platform/win32_api.h"

namespace platform {

// Windows opens a COM port unshared: an open that is refused for access tells it is held.
// The open sends nothing, and the port is closed at once.
TPortState PortStateOf(const std::string& DevPath) {
  TPortState s;
  const std::string path = DevPath.rfind("\\\\.\\", 0) == 0 ? DevPath : "\\\\.\\" + DevPath;
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    ::CloseHandle(h);
    return s;
  }
  if (PortRefusalOf(::GetLastError()) == TPortRefusal::InUse) s.Condition = TPortCondition::InUse;
  return s;
}

}  // namespace platform
