#include <system_error>

#include "platform/append_file.h"
#include "platform/win32_api.h"

namespace platform {
namespace {

HANDLE Handle(std::intptr_t H) { return reinterpret_cast<HANDLE>(H); }

[[noreturn]] void Fail(const std::string& What) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), What);
}

}  // namespace

TAppendFile::TAppendFile(const std::string& Path) : path_(Path) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end, atomically.
  const HANDLE h = ::CreateFileA(Path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("cannot open " + Path);
  handle_ = reinterpret_cast<std::intptr_t>(h);
}

TAppendFile::~TAppendFile() { ::CloseHandle(Handle(handle_)); }

bool TAppendFile::Empty() const {
  LARGE_INTEGER size{};
  return ::GetFileSizeEx(Handle(handle_), &size) && size.QuadPart == 0;
}

void TAppendFile::Append(std::string_view Bytes) {
  DWORD written = 0;
  if (!::WriteFile(Handle(handle_), Bytes.data(), DWORD(Bytes.size()), &written, nullptr))
    Fail("cannot write " + path_);
  if (written != Bytes.size()) {
    ::SetLastError(ERROR_DISK_FULL);
    Fail("cannot write " + path_);
  }
}

}  // namespace platform
