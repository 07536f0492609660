#pragma once
// Several sounds prepared at once, one encoder per core, taken in list order so the first
// rows are ready first. The caller takes each result in order, as the rows are shown.
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "sound/Prepare.h"

namespace sound {

// Workers 0: as many as the machine has cores.
int EncoderCount(int Workers = 0);

class TParallelPrepare {
 public:
  TParallelPrepare(std::vector<TPrepareJob> Jobs, const TSoundCache* Cache, int Workers = 0);
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
    std::optional<TPreparedFile> Result;
    std::exception_ptr Error;
  };
  void Work();

  std::vector<TPrepareJob> jobs_;
  const TSoundCache* cache_;
  std::vector<TSlot> slots_;
  mutable std::mutex mutex_;
  mutable std::condition_variable ready_;
  std::atomic<size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::vector<std::thread> workers_;
};

}  // namespace sound
