#include "platform/cache_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace platform {

std::filesystem::path UserCacheDir() {
  namespace fs = std::filesystem;
  // The XDG rules ignore a relative value.
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && fs::path(cache).is_absolute())
    return fs::path(cache) / "kestrilo";
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = ::getpwuid(::getuid());
    home = user ? user->pw_dir : nullptr;
  }
  if (!home || !*home) throw std::runtime_error("no home folder to keep prepared sounds in");
  return fs::path(home) / ".cache" / "kestrilo";
}

}  // namespace platform
