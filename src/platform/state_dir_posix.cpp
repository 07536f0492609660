#include "platform/state_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace platform {

std::filesystem::path UserStateDir() {
  namespace fs = std::filesystem;
  // The XDG rules ignore a relative value.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && fs::path(state).is_absolute())
    return fs::path(state) / "kestrilo";
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = ::getpwuid(::getuid());
    home = user ? user->pw_dir : nullptr;
  }
  if (!home || !*home) throw std::runtime_error("no home folder to keep the program's state in");
  return fs::path(home) / ".local" / "state" / "kestrilo";
}

}  // namespace platform
