#include "platform/temp_dir.h"
#include "platform/win32_api.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>
#include <system_error>

namespace platform {

namespace {

constexpr const char* kRunPrefix = "kestrilo";
constexpr const char* kLockName = ".run-lock";

std::string TempBase() {
  char base[MAX_PATH + 1];
  const DWORD n = ::GetTempPathA(sizeof base, base);
  if (n == 0 || n > MAX_PATH)
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "no temporary folder");
  return base;
}

// Unshared: no one else can open a live run's lock file; a dead run's opens.
HANDLE OpenLock(const std::string& Path, DWORD Disposition) {
  return ::CreateFileA(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, Disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool IsRunDirName(const std::string& Name) {
  const std::string prefix = std::string(kRunPrefix) + "-";
  return Name.size() > prefix.size() && Name.rfind(prefix, 0) == 0 &&
         std::all_of(Name.begin() + long(prefix.size()), Name.end(), [](unsigned char c) { return std::isdigit(c); });
}

// A run's folder with its lock file held open for as long as the run lives.
class RunDir {
 public:
  RunDir() {
    RemoveStaleRunDirs(TempBase());
    // Made and opened in one call: it never exists unlocked.
    lock_ = OpenLock(dir_.Path() + kLockName, CREATE_NEW);
  }
  // The lock closes first: Windows keeps a folder with an open file.
  ~RunDir() {
    if (lock_ != INVALID_HANDLE_VALUE) ::CloseHandle(lock_);
  }
  RunDir(const RunDir&) = delete;
  RunDir& operator=(const RunDir&) = delete;
  const std::string& Path() const { return dir_.Path(); }

 private:
  TTempDir dir_{kRunPrefix};
  HANDLE lock_ = INVALID_HANDLE_VALUE;
};

}  // namespace

// The user's temporary folder is private to the user already; the new folder inherits that.
TTempDir::TTempDir(const std::string& Prefix) {
  const std::string base = TempBase();
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = base + Prefix + "-" + std::to_string(random() % 1000000000u);
    if (::CreateDirectoryA(path.c_str(), nullptr)) {
      path_ = path + '\\';
      return;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                          "cannot create a folder in " + base);
}

void RemoveStaleRunDirs(const std::string& Base) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(Base, ec)) {
    if (!IsRunDirName(entry.path().filename().string()) || !fs::is_directory(entry.symlink_status(ec))) continue;
    // No lock file: a run that is still making its folder, or not a run of ours.
    const HANDLE lock = OpenLock((entry.path() / kLockName).string(), OPEN_EXISTING);
    if (lock == INVALID_HANDLE_VALUE) continue;
    ::CloseHandle(lock);
    fs::remove_all(entry.path(), ec);
  }
}

void RemoveStaleRunDirs() { RemoveStaleRunDirs(TempBase()); }

const std::string& RunTempDir() {
  static const RunDir dir;
  return dir.Path();
}

}  // namespace platform
