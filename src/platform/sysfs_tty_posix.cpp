#include "platform/sysfs_tty_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

namespace platform {
namespace {

std::string EnvOr(const char* Name, const char* Default) {
  const char* v = std::getenv(Name);
  return v && *v ? std::string(v) : std::string(Default);
}

std::string Canonical(const std::string& Path) {
  char buf[PATH_MAX];
  return realpath(Path.c_str(), buf) ? std::string(buf) : Path;
}

// The 8250 driver registers every port it might have, present or not; only the UART type
// tells a real one from a phantom. USB serial adapters report no type, so only serial-core
// ports are asked. The descriptor is only asked, never configured.
bool IsRealUart(const std::string& DevPath) {
  const int fd = open(DevPath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  serial_struct info{};
  const bool real = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  close(fd);
  return real;
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

}  // namespace

std::string SysfsTtyDir() { return EnvOr("KESTRILO_SYSFS_TTY", "/sys/class/tty"); }
std::string DevDir() { return EnvOr("KESTRILO_DEV_DIR", "/dev"); }

std::string SysfsRoot() {
  std::string root = SysfsTtyDir();
  for (int up = 0; up < 2; ++up) {
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    const auto slash = root.find_last_of('/');
    root = slash == std::string::npos || slash == 0 ? "/" : root.substr(0, slash);
  }
  return root;
}

std::string LinkBaseName(const std::string& Link) {
  char buf[PATH_MAX];
  const ssize_t n = readlink(Link.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string target(buf, static_cast<size_t>(n));
  const auto slash = target.find_last_of('/');
  return slash == std::string::npos ? target : target.substr(slash + 1);
}

std::optional<std::vector<TSysfsTty>> ReadSysfsTtys() {
  const std::string ttyDir = SysfsTtyDir();
  std::unique_ptr<DIR, DirCloser> dir(opendir(ttyDir.c_str()));
  if (!dir) return std::nullopt;
  std::vector<std::string> names;
  while (const dirent* e = readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  std::sort(names.begin(), names.end());

  std::vector<TSysfsTty> ttys;
  for (const auto& name : names) {
    const std::string device = ttyDir + "/" + name + "/device";
    struct stat st {};
    if (lstat(device.c_str(), &st) != 0) continue;  // virtual terminals and the like
    const std::string driver = LinkBaseName(device + "/driver");
    if (driver.empty()) continue;  // nothing drives it, so nothing answers on it
    TSysfsTty tty{name, Canonical(device), DevDir() + "/" + name, driver};
    // Newer kernels hang serial-core ports (8250 among them) off a "serial-base" bus, whose
    // driver is a generic "port"; those are asked for their UART type as well.
    const bool serialCore = driver == "serial8250" || LinkBaseName(device + "/subsystem") == "serial-base";
    tty.Phantom = serialCore && !IsRealUart(tty.DevPath);
    ttys.push_back(tty);
  }
  return ttys;
}

}  // namespace platform
