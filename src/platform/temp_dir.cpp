#include "platform/temp_dir.h"

#include <filesystem>
#include <system_error>

namespace platform {

TTempDir::~TTempDir() {
  std::error_code ec;  // removal at the end is best effort
  std::filesystem::remove_all(path_, ec);
}

}  // namespace platform
