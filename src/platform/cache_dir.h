#pragma once
// The user's folder for data a program can make again (prepared sounds).
#include <filesystem>

namespace platform {

// $XDG_CACHE_HOME/kestrilo (when absolute), else ~/.cache/kestrilo; on Windows
// %LOCALAPPDATA%\Kestrilo\Cache. Not created here. Throws std::runtime_error when the
// system names no such place.
std::filesystem::path UserCacheDir();

}  // namespace platform
