#pragma once
// Thread class: created suspended or running, with a priority, a terminate flag and a WaitFor
// that keeps serving synchronised calls and sent messages while it waits on the main thread.
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread {
 public:
  explicit TThread(bool CreateSuspended);
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  // Terminates and waits. A subclass whose Execute uses its own members must end the thread in
  // its own destructor (TerminateAndWait), before those members go away.
  virtual ~TThread();

  // Starts a thread created suspended; does nothing once it runs.
  void Resume();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  bool Finished() const { return FFinished; }
  // Waits for the end of Execute. On the main thread it keeps running CheckSynchronize, so a
  // thread blocked in Synchronize is served and cannot deadlock the waiter.
  void WaitFor();

  TThreadPriority Priority() const { return FPriority; }
  // Stored, and applied to the running thread when the system allows (best effort).
  void SetPriority(TThreadPriority Value);

  // The exception that ended Execute, if any; kept until the object is destroyed.
  std::exception_ptr FatalException() const;

 protected:
  virtual void Execute() = 0;
  void TerminateAndWait();
  static void Synchronize(const std::function<void()>& Call);

 private:
  void Run();
  void ApplyPriority();

  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<int> FSystemThreadId{0};
  bool FStarted = false;
  std::atomic<TThreadPriority> FPriority{tpNormal};
  mutable std::mutex FMutex;
  std::exception_ptr FFatalException;
};
