#pragma once
// Several sounds prepared at once, one encoder per core, taken in list order so the first
// rows are ready first; after the first rows, short sounds share an encoder run, more of them
// a run as the list goes on. The caller takes each result in order, as the rows are shown.
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "sound/PrepareTogether.h"

namespace sound {

// Workers 0: as many as the machine has cores.
int EncoderCount(int Workers = 0);

class TParallelPrepare {
 public:
  TParallelPrepare(std::vector<TPrepareJob> Jobs, const TSoundCache* Cache, int Workers = 0, bool ShareRuns = true);
  // Stops the encoders still running and waits for them.
  ~TParallelPrepare();
  TParallelPrepare(const TParallelPrepare&) = delete;
  TParallelPrepare& operator=(const TParallelPrepare&) = delete;

  bool Ready(size_t Index) const;
  // Waits at most Milliseconds for Index to be ready; true when it is.
  bool WaitReady(size_t Index, int Milliseconds) const;
  // The result of a ready job; what the job threw is thrown here.
  TPreparedFile Take(size_t Index);
  void Stop();

 private:
  struct TSlot {
    bool Done = false;
    TPrepareResult Result;
  };
  struct TRange {
    size_t First = 0, End = 0;
  };
  void Work();
  TRange Claim();
  void PrepareRange(TRange Range);
  void Publish(size_t Index, TPrepareResult Result);

  std::vector<TPrepareJob> jobs_;
  const TSoundCache* cache_;
  std::vector<TSlot> slots_;
  mutable std::mutex mutex_;
  mutable std::condition_variable ready_;
  size_t encoders_;
  bool shareRuns_;
  std::mutex claim_;
  size_t next_ = 0, claims_ = 0;  // under claim_
  std::atomic<bool> stop_{false};
  std::vector<std::thread> workers_;
};

}  // namespace sound
