#include "toolkit/thread.h"

#include "toolkit/synchronize.h"
#include "toolkit/thread_os.h"

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
  FSystemThreadId = thread_os::CurrentThreadId();
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
  if (tid != 0) thread_os::ApplyPriority(tid, FPriority);
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(FMutex);
  return FFatalException;
}

void TThread::Synchronize(const std::function<void()>& Call) { ::Synchronize(Call); }
