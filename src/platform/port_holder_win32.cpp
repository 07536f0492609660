#include "platform/port_holder.h"

namespace platform {

// Windows does not tell which process holds a COM port without a driver query.
std::string PortHolder(const std::string&) { return {}; }

}  // namespace platform
