#include "toolkit/thread_os.h"

#include "platform/win32_api.h"

namespace thread_os {
namespace {
int LevelOf(TThreadPriority p) {
  switch (p) {
    case tpIdle: return THREAD_PRIORITY_IDLE;
    case tpLowest: return THREAD_PRIORITY_LOWEST;
    case tpLower: return THREAD_PRIORITY_BELOW_NORMAL;
    case tpNormal: return THREAD_PRIORITY_NORMAL;
    case tpHigher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case tpHighest: return THREAD_PRIORITY_HIGHEST;
    case tpTimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
  }
  return THREAD_PRIORITY_NORMAL;
}
}  // namespace

int CurrentThreadId() { return static_cast<int>(::GetCurrentThreadId()); }

void ApplyPriority(int ThreadId, TThreadPriority Priority) {
  HANDLE thread = ::OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(ThreadId));
  if (thread == nullptr) return;
  (void)::SetThreadPriority(thread, LevelOf(Priority));
  ::CloseHandle(thread);
}

}  // namespace thread_os
