#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "toolkit/thread_os.h"

namespace thread_os {
namespace {
// Nice values for the priorities; normal is the system's default.
int NiceOf(TThreadPriority p) {
  switch (p) {
    case tpIdle: return 19;
    case tpLowest: return 10;
    case tpLower: return 5;
    case tpNormal: return 0;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -20;
  }
  return 0;
}
}  // namespace

int CurrentThreadId() { return static_cast<int>(::syscall(SYS_gettid)); }

void ApplyPriority(int ThreadId, TThreadPriority Priority) {
  (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId), NiceOf(Priority));
}

}  // namespace thread_os
