#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <vector>

#include "devsim/devsim.h"
#include "recorder.h"

namespace devsim {

// "reply 38 20 07": how the log names reply bytes.
std::string ReplyLine(const std::vector<std::uint8_t>& bytes);

// The device's byte protocol, without any I/O: bytes in, log lines, memory contents
// and timed replies out.
class Protocol {
 public:
  using Clock = std::chrono::steady_clock;

  Protocol(const Options& options, Recorder& recorder);

  // A byte received at the device's own line speed.
  void Receive(std::uint8_t byte, Clock::time_point now);
  // A byte received while the host's line speed differs: logged, otherwise no effect.
  void Ignore(std::uint8_t byte, unsigned host_baud);
  // Runs what has fallen due (the end of an erase).
  void Tick(Clock::time_point now);

  // Reply bytes due by now, in order, removed from the queue.
  std::vector<std::uint8_t> TakeDueReplies(Clock::time_point now);
  // When something next falls due (end of erase or a reply), if anything is pending.
  std::optional<Clock::time_point> NextDue() const;
  bool Busy() const { return erasing_ || !replies_.empty(); }
  // The host has sent the data bytes after which the line is to be cut.
  bool HangupRequested() const { return hangup_; }
  long long DataBytes() const { return data_bytes_; }

 private:
  enum class State { Command, AddressInput, AddressLow, AddressHigh, Sound, BetweenSounds };

  void Command(std::uint8_t byte, Clock::time_point now);
  void Sample(std::uint8_t byte, Clock::time_point now);
  void StartSound();
  void Reply(std::vector<std::uint8_t> bytes, Clock::time_point due);
  void CountDataByte();

  const Options options_;
  Recorder& recorder_;
  const std::uint64_t capacity_;
  State state_ = State::Command;
  bool erasing_ = false;
  Clock::time_point erase_end_{};
  bool erased_ = false;        // an erase finished and no upload has started since
  unsigned sound_number_ = 0;  // sounds since the last erase
  std::uint64_t stored_ = 0;   // bytes of memory in use
  std::uint64_t samples_in_sound_ = 0;
  bool overflow_logged_ = false;
  long long data_bytes_ = 0;
  bool hangup_ = false;
  unsigned address_input_ = 0, address_low_ = 0;
  std::multimap<Clock::time_point, std::vector<std::uint8_t>> replies_;
  std::mt19937 garbage_{20240611u};
};

}  // namespace devsim
