#include "toolkit/synchronize.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "toolkit/notification_window.h"

namespace {

struct QueuedCall {
  const std::function<void()>* call;
  std::exception_ptr error;
  bool done = false;
};

struct SyncState {
  std::mutex mutex;
  std::condition_variable doneCv;    // callers waiting for their call
  std::condition_variable signalCv;  // the main thread waiting in MainThreadWait
  std::deque<QueuedCall*> queue;
  uint64_t signals = 0;
  std::function<void()> hook;
  std::thread::id mainThread = std::this_thread::get_id();
};

SyncState& State() {
  static SyncState* state = new SyncState;  // never destroyed: threads may outlive statics
  return *state;
}

// Makes sure the main thread is the one that runs static initialisers.
[[maybe_unused]] const bool g_initialised = (State(), true);

}  // namespace

bool IsMainThread() {
  SyncState& s = State();
  std::lock_guard lock(s.mutex);
  return s.mainThread == std::this_thread::get_id();
}

void SetMainThreadToCurrent() {
  SyncState& s = State();
  std::lock_guard lock(s.mutex);
  s.mainThread = std::this_thread::get_id();
}

void SetWakeMainThread(std::function<void()> Hook) {
  SyncState& s = State();
  std::lock_guard lock(s.mutex);
  s.hook = std::move(Hook);
}

namespace {
void SignalLocked(SyncState& s, bool runHook) {
  ++s.signals;
  s.signalCv.notify_all();
  if (runHook && s.hook) s.hook();
}
}  // namespace

void WakeMainThread() {
  SyncState& s = State();
  std::lock_guard lock(s.mutex);
  SignalLocked(s, true);
}

void SignalMainThreadWaiters() {
  SyncState& s = State();
  std::lock_guard lock(s.mutex);
  SignalLocked(s, false);
}

uint64_t MainThreadSignalCount() {
  SyncState& s = State();
  std::lock_guard lock(s.mutex);
  return s.signals;
}

uint64_t MainThreadWait(uint64_t Seen, unsigned TimeoutMs) {
  return MainThreadWait(Seen, std::chrono::milliseconds(TimeoutMs));
}

uint64_t MainThreadWait(uint64_t Seen, std::chrono::nanoseconds Timeout) {
  SyncState& s = State();
  std::unique_lock lock(s.mutex);
  s.signalCv.wait_for(lock, Timeout, [&] { return s.signals != Seen; });
  return s.signals;
}

bool SynchronizePending() {
  SyncState& s = State();
  std::lock_guard lock(s.mutex);
  return !s.queue.empty();
}

void Synchronize(const std::function<void()>& Call) {
  SyncState& s = State();
  QueuedCall entry{&Call, nullptr, false};
  {
    std::unique_lock lock(s.mutex);
    if (s.mainThread == std::this_thread::get_id()) {
      lock.unlock();
      Call();
      return;
    }
    s.queue.push_back(&entry);
    SignalLocked(s, true);
    s.doneCv.wait(lock, [&] { return entry.done; });
  }
  if (entry.error) std::rethrow_exception(entry.error);
}

bool CheckSynchronize() {
  SyncState& s = State();
  bool ran = false;
  {
    std::unique_lock lock(s.mutex);
    if (s.mainThread != std::this_thread::get_id()) return false;
    // Each worker blocks until its call has run, so the queue holds at most one call per
    // worker and this loop ends. Taking calls one by one keeps queue order under nested pumps.
    while (!s.queue.empty()) {
      QueuedCall* entry = s.queue.front();
      s.queue.pop_front();
      lock.unlock();
      try {
        (*entry->call)();
      } catch (...) {
        entry->error = std::current_exception();
      }
      lock.lock();
      entry->done = true;
      s.doneCv.notify_all();
      ran = true;
    }
  }
  if (DispatchSentMessages()) ran = true;
  return ran;
}
