#pragma once
// The running program's own file.
#include <string>

namespace platform {

// Full path of the running executable; empty when the system cannot tell.
std::string ExecutablePath();

// Its folder, with a trailing '/'; empty when the path is unknown.
std::string ExecutableDir();

}  // namespace platform
