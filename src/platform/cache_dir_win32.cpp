#include "platform/cache_dir.h"

#include "platform/state_dir.h"

namespace platform {

// Beside the state, as Windows programs keep their caches under %LOCALAPPDATA%.
std::filesystem::path UserCacheDir() { return UserStateDir() / L"Cache"; }

}  // namespace platform
