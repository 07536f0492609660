#include "platform/atomic_file.h"

#include <system_error>

namespace platform {

std::filesystem::path FollowLinks(std::filesystem::path Path) {
  for (int Hops = 0; Hops < 40; ++Hops) {
    std::error_code Error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(Path, Error))) return Path;
    const std::filesystem::path Link = std::filesystem::read_symlink(Path, Error);
    if (Error) return Path;
    Path = Link.is_absolute() ? Link : Path.parent_path() / Link;
  }
  return Path;
}

}  // namespace platform
