#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "devsim/devsim.h"
#include "recorder.h"

namespace devsim {

// "reply 38 20 07": how the log names reply bytes.
std::string ReplyLine(const std::vector<std::uint8_t>& bytes);
// "0x56": how the log names any other byte.
std::string ByteName(std::uint8_t byte);

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
  // The line is to be cut: the host has sent the data bytes after which that happens,
  // or the erase has run for the time after which it does. HangupLine() says which.
  bool HangupRequested() const { return hangup_; }
  const std::string& HangupLine() const { return hangup_line_; }
  long long DataBytes() const { return data_bytes_; }
  // True once, when the stall falls due: the device is to stop reading now.
  bool TakeStall();
  // How many bytes may be taken from the line at once without running past the byte
  // after which a stall falls due (at least 1).
  std::size_t TakeLimit() const;
  // The processor hung (--hang-after): bytes are still taken from the line, to no effect.
  bool Hung() const { return hung_; }

 private:
  enum class State { Command, AddressInput, AddressLow, AddressHigh, Sound, BetweenSounds };

  void Command(std::uint8_t byte, Clock::time_point now);
  void Sample(std::uint8_t byte, Clock::time_point now);
  void StartSound();
  void Reply(std::vector<std::uint8_t> bytes, Clock::time_point due);
  void CountDataByte();
  void RequestHangup(std::string line);
  void StallAt(long long data_bytes);
  void HangAt(long long data_bytes);

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
  std::string hangup_line_;
  std::optional<Clock::time_point> erase_hangup_;  // when the erase in progress is cut
  bool stall_due_ = false, stall_done_ = false;
  bool hung_ = false;
  unsigned address_input_ = 0, address_low_ = 0;
  std::multimap<Clock::time_point, std::vector<std::uint8_t>> replies_;
  std::mt19937 garbage_{20240611u};
};

}  // namespace devsim
