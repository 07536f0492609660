#pragma once
// The user's folder for state a program keeps between runs (not settings, not documents).
#include <filesystem>

namespace platform {

// $XDG_STATE_HOME/kestrilo (when absolute), else ~/.local/state/kestrilo; on Windows
// %LOCALAPPDATA%\Kestrilo. Not created here. Throws std::runtime_error when the system
// names no such place.
std::filesystem::path UserStateDir();

}  // namespace platform
