#pragma once
// The user's folders for what a program keeps between runs: its state (not settings, not
// documents) and data it can make again (prepared sounds).
#include <filesystem>

namespace platform {

// $XDG_STATE_HOME/kestrilo (when absolute), else ~/.local/state/kestrilo; on Windows
// %LOCALAPPDATA%\Kestrilo. Not created here. Throws std::runtime_error when the system
// names no such place.
std::filesystem::path UserStateDir();

// $XDG_CACHE_HOME/kestrilo (when absolute), else ~/.cache/kestrilo; on Windows
// %LOCALAPPDATA%\Kestrilo\Cache. Not created here; throws as UserStateDir.
std::filesystem::path UserCacheDir();

}  // namespace platform
