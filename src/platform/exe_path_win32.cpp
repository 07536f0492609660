#include "platform/exe_path.h"
#include "platform/win32_api.h"

#include <vector>

namespace platform {

std::string ExecutablePath() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);  // cut off: try again with more room
  }
}

std::string ExecutableDir() {
  const std::string path = ExecutablePath();
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

std::string BundledProgram(const std::string& Folder, const std::string& Name) {
  const std::string dir = ExecutableDir();
  if (dir.empty()) return {};
  const std::string path = dir + Folder + "\\" + Name + ".exe";
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return path;
}

}  // namespace platform
