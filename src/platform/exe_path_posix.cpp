#include "platform/exe_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace platform {

std::string ExecutablePath() {
  std::vector<char> buf(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);  // cut off: try again with more room
  }
}

std::string ExecutableDir() {
  const std::string path = ExecutablePath();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

std::string BundledProgram(const std::string& Folder, const std::string& Name) {
  const std::string dir = ExecutableDir();
  if (dir.empty()) return {};
  const std::string path = dir + Folder + "/" + Name;
  struct stat st {};
  if (::access(path.c_str(), X_OK) != 0 || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return {};
  return path;
}

}  // namespace platform
