#pragma once
// A file that others may append to at the same time: each Append lands whole at the end.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class TAppendFile {
 public:
  // Opens Path for appending, creating it when missing. Throws std::system_error naming
  // the file when it cannot be opened.
  explicit TAppendFile(const std::string& Path);
  ~TAppendFile();
  TAppendFile(const TAppendFile&) = delete;
  TAppendFile& operator=(const TAppendFile&) = delete;

  // Whether the file holds nothing yet.
  bool Empty() const;
  // One write at the end (O_APPEND / FILE_APPEND_DATA), so lines of concurrent runs never
  // interleave. Throws std::system_error when it is not written whole.
  void Append(std::string_view Bytes);

 private:
  std::string path_;
  std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE
};

}  // namespace platform
