#pragma once
// Who holds a serial port that cannot be opened because it is busy.
#include <string>

namespace platform {

// The name of a program that has the device at Path open (for example "ModemManager"),
// empty when none can be found or the system does not tell.
std::string PortHolder(const std::string& Path);

}  // namespace platform
