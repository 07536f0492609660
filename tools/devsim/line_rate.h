#pragma once
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <limits>

namespace devsim {

// A token bucket that lets through no more bytes than a serial line carries.
// An idle line banks at most a few milliseconds' worth, so a burst stays short.
class LineRate {
 public:
  using Clock = std::chrono::steady_clock;

  // bytes_per_second 0: no limit.
  explicit LineRate(double bytes_per_second, Clock::time_point now = Clock::now())
      : rate_(bytes_per_second), burst_(std::max(4.0, bytes_per_second * 0.005)), tokens_(burst_), last_(now) {}

  bool Limited() const { return rate_ > 0; }

  // Whole bytes that may be taken now.
  std::size_t Allowance(Clock::time_point now) {
    if (!Limited()) return std::numeric_limits<std::size_t>::max();
    Refill(now);
    return std::size_t(tokens_);
  }
  void Take(std::size_t n) {
    if (Limited()) tokens_ -= double(n);
  }
  // When `bytes` (capped at the burst) will be allowed; call after Allowance().
  Clock::time_point ReadyAt(std::size_t bytes) const {
    double need = std::min(double(bytes), burst_) - tokens_;
    if (need <= 0) return last_;
    return last_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(need / rate_));
  }

 private:
  void Refill(Clock::time_point now) {
    if (now > last_) {
      tokens_ = std::min(burst_, tokens_ + std::chrono::duration<double>(now - last_).count() * rate_);
      last_ = now;
    }
  }

  double rate_;
  double burst_;
  double tokens_;
  Clock::time_point last_;
};

}  // namespace devsim
