#include "sound/ParallelPrepare.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace sound {
namespace {

// A run of this many short sounds costs little more than one of a single sound.
constexpr size_t kMaxTogether = 16;
// Long sounds take long enough on their own: a run stops gathering at this much source.
constexpr uintmax_t kMaxTogetherBytes = uintmax_t(8) << 20;

uintmax_t SourceSize(const TPrepareJob& Job) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(Job.Source, error);
  return error ? 0 : size;
}

}  // namespace

int EncoderCount(int Workers) {
  if (Workers > 0) return Workers;
  return std::max(1, int(std::thread::hardware_concurrency()));
}

TParallelPrepare::TParallelPrepare(std::vector<TPrepareJob> Jobs, const TSoundCache* Cache, int Workers,
                                   bool ShareRuns)
    : jobs_(std::move(Jobs)), cache_(Cache), slots_(jobs_.size()), shareRuns_(ShareRuns) {
  encoders_ = size_t(std::max(1, std::min(EncoderCount(Workers), int(jobs_.size()))));
  for (size_t i = 0; i < encoders_ && i < jobs_.size(); ++i) workers_.emplace_back([this] { Work(); });
}

TParallelPrepare::~TParallelPrepare() {
  Stop();
  for (std::thread& t : workers_) t.join();
}

void TParallelPrepare::Stop() { stop_ = true; }

void TParallelPrepare::Work() {
  for (TRange r; !stop_ && (r = Claim()).End > r.First;) PrepareRange(r);
}

// The next rows for an encoder: the first rows one by one, so they show early; then runs
// twice as long each round, at most an even share of what is left, so no encoder idles at the end.
TParallelPrepare::TRange TParallelPrepare::Claim() {
  const std::lock_guard<std::mutex> lock(claim_);
  const size_t left = jobs_.size() - next_;
  const size_t round = claims_++ / encoders_;
  size_t count = std::min({kMaxTogether, size_t(1) << std::min<size_t>(round ? round - 1 : 0, 8),
                           (left + encoders_ - 1) / encoders_});
  if (!shareRuns_) count = std::min<size_t>(count, 1);
  TRange range{next_, next_};
  for (uintmax_t bytes = 0; range.End < jobs_.size() && count > 0; --count) {
    bytes += SourceSize(jobs_[range.End]);
    if (bytes > kMaxTogetherBytes && range.End > range.First) break;
    ++range.End;
  }
  next_ = range.End;
  return range;
}

void TParallelPrepare::PrepareRange(TRange Range) {
  std::vector<const TPrepareJob*> together;
  std::vector<std::string> keys;
  std::vector<size_t> at;
  for (size_t i = Range.First; i < Range.End && !stop_; ++i) {
    TPrepareResult result;
    try {
      const std::string key = cache_ ? cache_->Key(jobs_[i].Source, jobs_[i].Options) : std::string();
      if (cache_) result.File = FromCache(jobs_[i], *cache_, key);
      if (!result.File && SharesRun(jobs_[i])) {
        together.push_back(&jobs_[i]), keys.push_back(key), at.push_back(i);
        continue;
      }
      if (!result.File) result.File = PrepareUncached(jobs_[i], cache_, key, stop_);
    } catch (...) {
      result.Error = std::current_exception();
    }
    Publish(i, std::move(result));
  }
  PrepareTogether(together, cache_, keys, stop_, [&](size_t k, TPrepareResult r) { Publish(at[k], std::move(r)); });
}

void TParallelPrepare::Publish(size_t Index, TPrepareResult Result) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    slots_[Index] = {true, std::move(Result)};
  }
  ready_.notify_all();
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
  if (slot.Result.Error) std::rethrow_exception(slot.Result.Error);
  return *slot.Result.File;
}

}  // namespace sound
