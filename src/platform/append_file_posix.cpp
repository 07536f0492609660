#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/append_file.h"

namespace platform {

TAppendFile::TAppendFile(const std::string& Path) : path_(Path) {
  handle_ = ::open(Path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (handle_ < 0) throw std::system_error(errno, std::generic_category(), "cannot open " + Path);
}

TAppendFile::~TAppendFile() { ::close(int(handle_)); }

bool TAppendFile::Empty() const {
  struct stat s {};
  return ::fstat(int(handle_), &s) == 0 && s.st_size == 0;
}

void TAppendFile::Append(std::string_view Bytes) {
  ssize_t n;
  do n = ::write(int(handle_), Bytes.data(), Bytes.size());
  while (n < 0 && errno == EINTR);
  if (n < 0) throw std::system_error(errno, std::generic_category(), "cannot write " + path_);
  if (size_t(n) != Bytes.size()) throw std::system_error(ENOSPC, std::generic_category(), "cannot write " + path_);
}

}  // namespace platform
