#pragma once
// Watches the device's acknowledgements while the samples go out. The device answers 0x10
// after every AckEvery samples of a sound. A port that keeps draining while the device hangs
// (a USB bridge) takes every byte, so only these answers show that the device still works.
//
// Each answer is owed at a known byte of the stream, and is due once the line could have
// carried the bytes from the last answer heard to it, plus slack. Counting bytes rather than
// watching a clock alone keeps the rule right where no answer is owed for long (a run of
// sounds shorter than a window) and where the port buffers more than it says (a
// pseudo-terminal reports no queue, yet holds seconds of a slow line).
#include <cstdint>
#include <deque>

#include "device/LineTimes.h"

class TAckWatch {
 public:
  TAckWatch(const TLineTimes& Line, uint32_t Now) : line_(Line), heardAt_(Now) {}

  // Bytes went out.
  void Sent(uint64_t Bytes = 1) { sent_ += Bytes; }
  // The byte just sent completes a window of its sound: the device owes an answer for it.
  void Owe(uint32_t Now) { owed_.push_back({sent_, Now}); }
  // Acks answers came in. One the stream owes no more (a device counting otherwise) only
  // shows that the device is alive.
  void Heard(size_t Acks, uint32_t Now);
  bool Owing() const { return !owed_.empty(); }
  // Whether the oldest answer owed is overdue, with Queued bytes still waiting in the port.
  bool Overdue(uint32_t Now, uint32_t Queued) const;

 private:
  struct TOwed {
    uint64_t Position;  // the stream's byte count once the window's last byte had gone
    uint32_t SentAt;
  };

  TLineTimes line_;
  uint64_t sent_ = 0;
  uint64_t heardPosition_ = 0;  // where the device stood when it last answered
  uint32_t heardAt_;
  std::deque<TOwed> owed_;
};
