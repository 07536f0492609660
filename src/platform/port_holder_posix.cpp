#include "platform/port_holder.h"

#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <fstream>

namespace platform {

namespace {

namespace fs = std::filesystem;

bool HasOpen(const fs::path& Process, const fs::path& Device) {
  std::error_code ec;
  for (const auto& fd : fs::directory_iterator(Process / "fd", fs::directory_options::skip_permission_denied, ec)) {
    std::error_code linkError;
    if (fs::read_symlink(fd.path(), linkError) == Device) return true;
  }
  return false;
}

// Only processes whose descriptors this user may read can be named; that covers a user's
// own terminal programs, and everything when running as root.
std::string FindHolder(const std::string& Path) {
  std::error_code ec;
  const fs::path device = fs::weakly_canonical(Path, ec);
  if (ec) return {};
  const std::string self = std::to_string(::getpid());
  for (const auto& proc : fs::directory_iterator("/proc", fs::directory_options::skip_permission_denied, ec)) {
    const std::string pid = proc.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    if (!HasOpen(proc.path(), device)) continue;
    std::ifstream comm(proc.path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (!name.empty()) return name;
  }
  return {};
}

}  // namespace

std::string PortHolder(const std::string& Path) {
  try {
    return FindHolder(Path);
  } catch (const std::exception&) {
    return {};  // a process ended while it was looked at
  }
}

// The port component takes a lock on the line: another holder's lock reads as EBUSY.
TPortRefusal PortRefusalOf(uint32_t Code) {
  if (Code == EBUSY) return TPortRefusal::InUse;
  return Code == EACCES ? TPortRefusal::NoPermission : TPortRefusal::Other;
}

}  // namespace platform
