#include "platform/atomic_file.h"
#include "platform/win32_api.h"

#include <system_error>

namespace platform {

namespace {

[[noreturn]] void Fail(const std::string& What) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), What);
}

// Closes the handle and, unless kept, deletes the temporary file.
struct TempFile {
  std::string path;
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool keep = false;
  ~TempFile() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    if (!keep) ::DeleteFileA(path.c_str());
  }
};

}  // namespace

void ReplaceFileAtomically(const std::filesystem::path& Link, std::string_view Bytes) {
  // Through a link the file it names is written. A read-only Target refuses the move.
  const std::filesystem::path Target = FollowLinks(Link);
  TempFile temp{Target.string() + ".saving"};
  temp.handle = ::CreateFileA(temp.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (temp.handle == INVALID_HANDLE_VALUE) Fail("cannot create " + temp.path);
  DWORD written = 0;
  if (!::WriteFile(temp.handle, Bytes.data(), DWORD(Bytes.size()), &written, nullptr) || written != Bytes.size())
    Fail("cannot write " + temp.path);
  if (!::FlushFileBuffers(temp.handle)) Fail("cannot flush " + temp.path);
  ::CloseHandle(temp.handle);
  temp.handle = INVALID_HANDLE_VALUE;
  if (!::MoveFileExA(temp.path.c_str(), Target.string().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    Fail("cannot replace " + Target.string());
  temp.keep = true;
}

}  // namespace platform
