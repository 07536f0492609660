#include "platform/temp_dir.h"
#include "platform/win32_api.h"

#include <random>
#include <system_error>

namespace platform {

// The user's temporary folder is private to the user already; the new folder inherits that.
TempDir::TempDir(const std::string& Prefix) {
  char base[MAX_PATH + 1];
  const DWORD n = ::GetTempPathA(sizeof base, base);
  if (n == 0 || n > MAX_PATH)
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "no temporary folder");
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = std::string(base) + Prefix + "-" + std::to_string(random() % 1000000000u);
    if (::CreateDirectoryA(path.c_str(), nullptr)) {
      path_ = path + '\\';
      return;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                          "cannot create a folder in " + std::string(base));
}

// A run that died leaves its folder in the user's temporary folder, which Windows' own
// clean-up empties; nothing here can tell a dead run's folder from a live one's yet.
void RemoveStaleRunDirs(const std::string&) {}

const std::string& RunTempDir() {
  static const TempDir dir("kestrilo");
  return dir.Path();
}

}  // namespace platform
