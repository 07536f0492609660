#include "platform/port_map.h"
#include "platform/port_map_env.h"
#include "platform/sysfs_tty_posix.h"

namespace platform {

std::optional<std::vector<TPortMapValue>> ReadPortMap() {
  if (auto only = PortsFromEnvironment()) return only;
  const auto ttys = ReadSysfsTtys();
  if (!ttys) return std::nullopt;
  std::vector<TPortMapValue> map;
  for (const TSysfsTty& tty : *ttys)
    if (!tty.Phantom) map.push_back({tty.DeviceDir, tty.DevPath});
  AppendExtraPorts(map);
  return map;
}

}  // namespace platform
