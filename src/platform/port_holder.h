#pragma once
// Who holds a serial port that cannot be opened because it is busy, and whether a failed
// open's error code says so.
#include <cstdint>
#include <string>

namespace platform {

// The reasons a port did not open that the search tells its user.
enum class TPortRefusal { InUse, NoPermission, Other };
// Code: errno on Linux, GetLastError() on Windows, as a failed open left it.
TPortRefusal PortRefusalOf(uint32_t Code);

// The name of a program that has the device at Path open (for example "ModemManager"),
// empty when none can be found or the system does not tell.
std::string PortHolder(const std::string& Path);

}  // namespace platform
