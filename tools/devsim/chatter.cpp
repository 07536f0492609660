#include "chatter.h"

#include <algorithm>

namespace devsim {
namespace {

unsigned JunkRate(const Options& o) {
  const unsigned line = o.baud / 10;
  return o.junk_rate == kJunkFullLine ? line : std::min(o.junk_rate, line);
}

// Junk goes out in batches of about 10 ms of line time, not byte by byte.
std::size_t JunkBatch(unsigned rate) { return std::max(1u, rate / 100); }

constexpr std::size_t kMaxJunkWrite = 4096;

}  // namespace

Chatter::Chatter(const Options& options, Clock::time_point now)
    : line_(options.neighbour ? std::vector<std::uint8_t>(options.neighbour_text.begin(), options.neighbour_text.end())
                              : std::vector<std::uint8_t>{}),
      every_(std::chrono::milliseconds(std::max(1u, options.neighbour_every_ms))),
      next_line_(now),
      junk_rate_(options.neighbour ? 0 : JunkRate(options)),
      junk_line_(junk_rate_, now) {}

std::string Chatter::StartLine() const {
  if (!line_.empty())
    return "neighbour line every " +
           std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(every_).count()) + " ms";
  if (junk_rate_) return "junk " + std::to_string(junk_rate_) + " bytes/s";
  return "";
}

std::vector<std::uint8_t> Chatter::Due(Clock::time_point now, bool sendable) {
  std::vector<std::uint8_t> out;
  if (!line_.empty() && now >= next_line_) {
    if (sendable) out = line_;
    next_line_ += every_;
    if (next_line_ <= now) next_line_ = now + every_;  // a late wake-up makes no burst
  }
  if (junk_rate_) {
    const std::size_t n = std::min(junk_line_.Allowance(now), kMaxJunkWrite);
    junk_line_.Take(n);
    for (std::size_t i = 0; sendable && i < n; ++i) out.push_back(std::uint8_t(junk_() & 0xFF));
  }
  return out;
}

std::optional<Chatter::Clock::time_point> Chatter::NextDue() const {
  std::optional<Clock::time_point> next;
  if (!line_.empty()) next = next_line_;
  if (junk_rate_) {
    const auto junk = junk_line_.ReadyAt(JunkBatch(junk_rate_));
    next = next ? std::min(*next, junk) : junk;
  }
  return next;
}

}  // namespace devsim
