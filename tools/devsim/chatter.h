#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "devsim/devsim.h"
#include "line_rate.h"

namespace devsim {

// Bytes on the line that answer nothing: a neighbour's text lines or a junk flood.
// They flow whatever the host does; what the host does not take is lost.
class Chatter {
 public:
  using Clock = std::chrono::steady_clock;

  Chatter(const Options& options, Clock::time_point now);

  // The first log line, empty when there is no chatter.
  std::string StartLine() const;
  // Bytes due by now; a neighbour's line comes whole, so it is written in one piece.
  // Not sendable: they are lost unmade, so the junk the host sees starts the same
  // every run.
  std::vector<std::uint8_t> Due(Clock::time_point now, bool sendable);
  std::optional<Clock::time_point> NextDue() const;

 private:
  const std::vector<std::uint8_t> line_;  // the neighbour's, empty without one
  const Clock::duration every_;
  Clock::time_point next_line_;
  const unsigned junk_rate_;  // bytes per second, 0 for none
  LineRate junk_line_;
  std::mt19937 junk_{20240612u};
};

}  // namespace devsim
