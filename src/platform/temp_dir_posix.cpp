#include "platform/temp_dir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace platform {

namespace {

std::string TempBase() {
  const char* env = std::getenv("TMPDIR");
  std::string base = (env && *env) ? env : "/tmp";
  if (base.back() != '/') base += '/';
  return base;
}

constexpr const char* kRunPrefix = "kestrilo";
constexpr const char* kLockName = ".run-lock";
// The lock file while it is being taken: under this name no other run looks at it.
constexpr const char* kNewLockName = ".run-lock.new";

// A run's folder, with a lock held for as long as the run lives: a folder whose lock can be
// taken belongs to a run that has died.
class RunDir {
 public:
  RunDir() {
    RemoveStaleRunDirs(TempBase());
    // Made under another name and renamed once locked: a lock file that existed unlocked, even
    // briefly, could let a starting run judge this one dead and remove its folder.
    const std::string taking = dir_.Path() + kNewLockName;
    lock_ = ::open(taking.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_ >= 0 && ::flock(lock_, LOCK_EX | LOCK_NB) == 0)
      ::rename(taking.c_str(), (dir_.Path() + kLockName).c_str());
  }
  ~RunDir() {
    if (lock_ >= 0) ::close(lock_);
  }
  RunDir(const RunDir&) = delete;
  RunDir& operator=(const RunDir&) = delete;
  const std::string& Path() const { return dir_.Path(); }

 private:
  TTempDir dir_{kRunPrefix};
  int lock_ = -1;
};

}  // namespace

TTempDir::TTempDir(const std::string& Prefix) {
  const std::string base = TempBase();
  std::string templ = base + Prefix + "-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data()))  // mkdtemp makes it 0700
    throw std::system_error(errno, std::generic_category(), "cannot create a folder in " + base);
  path_ = std::string(buf.data()) + '/';
}

void RemoveStaleRunDirs(const std::string& Base) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string prefix = std::string(kRunPrefix) + "-";
  for (const auto& entry : fs::directory_iterator(Base, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0 || name.size() != prefix.size() + 6) continue;
    struct stat st;
    if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
    // No lock file: a run that is still making its folder, or not a run of ours.
    const int fd = ::open((entry.path() / kLockName).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    const bool dead = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    if (dead) fs::remove_all(entry.path(), ec);
  }
}

void RemoveStaleRunDirs() { RemoveStaleRunDirs(TempBase()); }

const std::string& RunTempDir() {
  static const RunDir dir;
  return dir.Path();
}

}  // namespace platform
