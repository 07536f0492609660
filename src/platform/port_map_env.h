#pragma once
// The port lists given in the environment, the same on every OS.
#include <optional>
#include <string>
#include <vector>

#include "platform/port_map.h"

namespace platform {

// KESTRILO_PORTS, when set: the whole map.
std::optional<std::vector<TPortMapValue>> PortsFromEnvironment();
// Appends the ports of KESTRILO_EXTRA_PORTS, when set.
void AppendExtraPorts(std::vector<TPortMapValue>& Map);

}  // namespace platform
