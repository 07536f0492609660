#include "platform/state_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace platform {
namespace {

namespace fs = std::filesystem;

// $Variable/kestrilo, else BelowHome/kestrilo in the home folder.
fs::path XdgFolder(const char* Variable, const fs::path& BelowHome, const char* Purpose) {
  // The XDG rules ignore a relative value.
  if (const char* set = std::getenv(Variable); set && fs::path(set).is_absolute()) return fs::path(set) / "kestrilo";
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = ::getpwuid(::getuid());
    home = user ? user->pw_dir : nullptr;
  }
  if (!home || !*home) throw std::runtime_error(std::string("no home folder to keep ") + Purpose + " in");
  return fs::path(home) / BelowHome / "kestrilo";
}

}  // namespace

fs::path UserStateDir() { return XdgFolder("XDG_STATE_HOME", fs::path(".local") / "state", "the program's state"); }

fs::path UserCacheDir() { return XdgFolder("XDG_CACHE_HOME", ".cache", "prepared sounds"); }

}  // namespace platform
