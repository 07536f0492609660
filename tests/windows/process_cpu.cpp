#include "platform/win32_api.h"

// CPU time of this process so far, kernel and user, in seconds.
double ProcessCpuSeconds() {
  FILETIME created, ended, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto secs = [](FILETIME t) { return double((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e7; };
  return secs(kernel) + secs(user);
}
