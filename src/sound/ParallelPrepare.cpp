#include "sound/ParallelPrepare.h"

#include <algorithm>
#include <chrono>

namespace sound {

int EncoderCount(int Workers) {
  if (Workers > 0) return Workers;
  return std::max(1, int(std::thread::hardware_concurrency()));
}

TParallelPrepare::TParallelPrepare(std::vector<TPrepareJob> Jobs, const TSoundCache* Cache, int Workers)
    : jobs_(std::move(Jobs)), cache_(Cache), slots_(jobs_.size()) {
  const int count = std::min(EncoderCount(Workers), int(jobs_.size()));
  for (int i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
}

TParallelPrepare::~TParallelPrepare() {
  Stop();
  for (std::thread& t : workers_) t.join();
}

void TParallelPrepare::Stop() { stop_ = true; }

void TParallelPrepare::Work() {
  for (size_t i; !stop_ && (i = next_++) < jobs_.size();) {
    TSlot slot;
    try {
      slot.Result = PrepareSound(jobs_[i], cache_, stop_);
    } catch (...) {
      slot.Error = std::current_exception();
    }
    slot.Done = true;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      slots_[i] = std::move(slot);
    }
    ready_.notify_all();
  }
}

bool TParallelPrepare::Ready(size_t Index) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return slots_.at(Index).Done;
}

bool TParallelPrepare::WaitReady(size_t Index, int Milliseconds) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return ready_.wait_for(lock, std::chrono::milliseconds(Milliseconds), [&] { return slots_.at(Index).Done; });
}

TPreparedFile TParallelPrepare::Take(size_t Index) {
  std::unique_lock<std::mutex> lock(mutex_);
  TSlot& slot = slots_.at(Index);
  if (slot.Error) std::rethrow_exception(slot.Error);
  return *slot.Result;
}

}  // namespace sound
