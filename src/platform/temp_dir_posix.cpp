#include "platform/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace platform {

TempDir::TempDir(const std::string& Prefix) {
  const char* env = std::getenv("TMPDIR");
  std::string base = (env && *env) ? env : "/tmp";
  if (base.back() != '/') base += '/';
  std::string templ = base + Prefix + "-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data()))  // mkdtemp makes it 0700
    throw std::system_error(errno, std::generic_category(), "cannot create a folder in " + base);
  path_ = std::string(buf.data()) + '/';
}

}  // namespace platform
