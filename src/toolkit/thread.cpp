#include "toolkit/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "toolkit/synchronize.h"

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

TThread::TThread(bool CreateSuspended) {
  if (!CreateSuspended) Resume();
}

TThread::~TThread() { TerminateAndWait(); }

void TThread::TerminateAndWait() {
  Terminate();
  if (FThread.joinable()) {
    WaitFor();
  }
}

void TThread::Resume() {
  if (FStarted) return;
  FStarted = true;
  FThread = std::thread([this] { Run(); });
}

void TThread::Run() {
  FSystemThreadId = static_cast<int>(::syscall(SYS_gettid));
  if (FPriority != tpNormal) ApplyPriority();
  try {
    Execute();
  } catch (...) {
    std::lock_guard lock(FMutex);
    FFatalException = std::current_exception();
  }
  FFinished = true;
  SignalMainThreadWaiters();
}

void TThread::WaitFor() {
  if (!FThread.joinable()) return;
  if (FThread.get_id() == std::this_thread::get_id()) return;  // a thread cannot wait for itself
  if (IsMainThread()) {
    uint64_t seen = MainThreadSignalCount();
    while (!FFinished) {
      CheckSynchronize();
      if (FFinished) break;
      // Steps of at most a second, woken early by queued calls, sent messages and the end.
      seen = MainThreadWait(seen, 1000);
    }
    CheckSynchronize();
  }
  FThread.join();
}

void TThread::SetPriority(TThreadPriority Value) {
  FPriority = Value;
  if (FSystemThreadId != 0 && !FFinished) ApplyPriority();
}

void TThread::ApplyPriority() {
  int tid = FSystemThreadId;
  if (tid != 0) (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceOf(FPriority));
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(FMutex);
  return FFatalException;
}

void TThread::Synchronize(const std::function<void()>& Call) { ::Synchronize(Call); }
