#pragma once
// The serial devices sysfs shows, read through the folders the environment may replace
// (KESTRILO_SYSFS_TTY for /sys/class/tty, KESTRILO_DEV_DIR for /dev).
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct TSysfsTty {
  std::string Name;       // ttyUSB0
  std::string DeviceDir;  // the canonical sysfs folder of its device
  std::string DevPath;    // the node to open
  std::string Driver;
  bool Phantom = false;   // a serial-core port without a UART behind it
};

std::string SysfsTtyDir();
std::string DevDir();
// The sysfs root the tty folder lies in (/sys for /sys/class/tty).
std::string SysfsRoot();
std::string LinkBaseName(const std::string& Link);

// Every tty with a device and a driver, in name order; nullopt when the folder is unreadable.
std::optional<std::vector<TSysfsTty>> ReadSysfsTtys();

}  // namespace platform
