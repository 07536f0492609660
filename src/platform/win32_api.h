#pragma once
// <windows.h> for the Win32 backends. Include it after this layer's own headers: Windows
// defines macros named like some of their names (CreateFile, EV_RXCHAR, INVALID_HANDLE_VALUE).
// The two that would rename this layer's functions are taken back here.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#undef CreateFile
#undef OutputDebugString

namespace win32 {

// Program and Args as one command line that the child's C runtime splits into exactly these
// arguments again (process_win32.cpp).
std::string CommandLine(const std::string& Program, const std::vector<std::string>& Args);

inline HANDLE AsHandle(std::intptr_t Value) { return reinterpret_cast<HANDLE>(Value); }
inline std::intptr_t AsValue(HANDLE Handle) { return reinterpret_cast<std::intptr_t>(Handle); }

// Closes a kernel handle when it goes out of scope.
class TOwnedHandle {
 public:
  TOwnedHandle() = default;
  explicit TOwnedHandle(HANDLE Handle) : handle_(Handle) {}
  ~TOwnedHandle() { Reset(); }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;
  TOwnedHandle(TOwnedHandle&& Other) noexcept : handle_(Other.Release()) {}
  TOwnedHandle& operator=(TOwnedHandle&& Other) noexcept {
    if (this != &Other) {
      Reset();
      handle_ = Other.Release();
    }
    return *this;
  }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE h = handle_;
    handle_ = nullptr;
    return h;
  }
  void Reset() {
    if (Valid()) {
      const DWORD err = ::GetLastError();  // a clean-up never hides the error being reported
      ::CloseHandle(handle_);
      ::SetLastError(err);
    }
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace win32
