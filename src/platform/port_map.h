#pragma once
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One present serial port: Name identifies it to the system, Data is the path to open.
struct TPortMapValue {
  std::string Name;
  std::string Data;
};

// Reads the map of present serial ports, in its fixed order. Never opens a port for
// transfer and never changes anything. std::nullopt means the map itself cannot be
// opened; the caller then has to find the ports some other way.
//
// KESTRILO_PORTS set (colon-separated paths or port names): the map is exactly that list.
// Otherwise, on Windows: the values of the registry key HKLM\HARDWARE\DEVICEMAP\SERIALCOMM
// in the key's order (name: the device, data: the port name such as COM3).
// On Linux: one value per serial device that sysfs shows (KESTRILO_SYSFS_TTY in place of
// /sys/class/tty; device paths under KESTRILO_DEV_DIR in place of /dev), in name order,
// followed by one value per path in KESTRILO_EXTRA_PORTS (colon-separated).
std::optional<std::vector<TPortMapValue>> ReadPortMap();

}  // namespace platform
