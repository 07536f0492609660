#pragma once
// The synchronised call: a worker thread hands a call to the UI (main) thread and blocks until
// the UI thread has run it. No GUI toolkit here; a toolkit adapter installs the wake-up hook.
#include <chrono>
#include <cstdint>
#include <functional>

// Runs Call on the main thread and returns when it has run there. An exception thrown by Call
// is rethrown on the calling thread. Called on the main thread, Call runs at once.
void Synchronize(const std::function<void()>& Call);

// Main thread only: runs every queued synchronised call in queue order, then delivers the
// messages sent to notification windows. Returns true when anything ran. Tests without a
// GUI toolkit call this as their event pump.
bool CheckSynchronize();

// The main thread is the one that started the program; tests may choose another.
bool IsMainThread();
void SetMainThreadToCurrent();

// Called (from any thread) whenever work for the main thread has been queued, so that a
// toolkit can post itself an event whose handler calls CheckSynchronize. Empty: no hook.
// The hook runs under an internal lock: it must only post, never wait or run queued work.
void SetWakeMainThread(std::function<void()> Hook);

// ---- low level, for the thread class and the notification window ----

// Signals that the main thread has work (runs the hook and wakes MainThreadWait).
void WakeMainThread();
// Wakes MainThreadWait only (a thread ended); no hook.
void SignalMainThreadWaiters();
// Current signal count; pass it to MainThreadWait to wait for any later signal.
uint64_t MainThreadSignalCount();
// Waits until the signal count differs from Seen or TimeoutMs passed. Returns the new count.
uint64_t MainThreadWait(uint64_t Seen, unsigned TimeoutMs);
// The same to the nanosecond: for waits that must end on a tick, not up to a tick later.
uint64_t MainThreadWait(uint64_t Seen, std::chrono::nanoseconds Timeout);
// True while a synchronised call is queued and not yet taken by CheckSynchronize.
bool SynchronizePending();
