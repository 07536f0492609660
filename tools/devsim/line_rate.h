#pragma once
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <limits>

namespace devsim {

// Models the serial line between host and device: a byte may be taken only once the
// line has had the time to carry it (10 bits at the baud rate). While the host keeps
// the line busy the schedule runs on without gaps, so a scheduling stall of the
// simulator is caught up and the mean rate stays exact; once the host's queue runs
// dry the line goes idle, and idle time is never banked for a later burst.
class LineRate {
 public:
  using Clock = std::chrono::steady_clock;

  // bytes_per_second 0: no limit.
  explicit LineRate(double bytes_per_second, Clock::time_point now = Clock::now())
      : limited_(bytes_per_second > 0), byte_time_(limited_ ? 1.0 / bytes_per_second : 0), epoch_(now) {}

  bool Limited() const { return limited_; }

  // Bytes whose transfer over the line has finished by now.
  std::size_t Allowance(Clock::time_point now) {
    if (!limited_) return std::numeric_limits<std::size_t>::max();
    const double t = Seconds(now);
    free_at_ = std::max(free_at_, t - kMaxCatchUp);
    return t > free_at_ ? std::size_t((t - free_at_) / byte_time_) : 0;
  }
  void Take(std::size_t n) { free_at_ += double(n) * byte_time_; }
  // The host's bytes ran out: the line idles from now on.
  void Idle() { idle_ = true; }
  bool IsIdle() const { return limited_ && idle_; }
  // New bytes after an idle spell start their transfer now.
  void Resume(Clock::time_point now) {
    if (!idle_) return;
    idle_ = false;
    free_at_ = std::max(free_at_, Seconds(now));
  }
  // When `bytes` more will have been carried.
  Clock::time_point ReadyAt(std::size_t bytes) const {
    return epoch_ + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(free_at_ + double(bytes) * byte_time_));
  }

 private:
  static constexpr double kMaxCatchUp = 0.2;  // seconds of stall that are made good
  double Seconds(Clock::time_point t) const { return std::chrono::duration<double>(t - epoch_).count(); }

  bool limited_;
  double byte_time_;
  Clock::time_point epoch_;
  double free_at_ = 0;  // seconds since epoch_ when the line has carried what was taken
  bool idle_ = true;
};

}  // namespace devsim
