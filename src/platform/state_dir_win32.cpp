#include "platform/state_dir.h"
#include "platform/win32_api.h"

#include <stdexcept>
#include <vector>

namespace platform {

std::filesystem::path UserStateDir() {
  const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
  if (n == 0) throw std::runtime_error("no %LOCALAPPDATA% folder to keep the program's state in");
  std::vector<wchar_t> buf(n);
  const DWORD got = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buf.data(), n);
  if (got == 0 || got >= n) throw std::runtime_error("no %LOCALAPPDATA% folder to keep the program's state in");
  return std::filesystem::path(std::wstring(buf.data(), got)) / L"Kestrilo";
}

}  // namespace platform

namespace platform {

// Beside the state, as Windows programs keep their caches under %LOCALAPPDATA%.
std::filesystem::path UserCacheDir() { return UserStateDir() / L"Cache"; }

}  // namespace platform
