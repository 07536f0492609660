#include "platform/error_text.h"

#include <cstring>

namespace platform {

std::string SystemErrorText(uint32_t Code) { return std::strerror(static_cast<int>(Code)); }

}  // namespace platform
