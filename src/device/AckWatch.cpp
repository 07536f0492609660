#include "device/AckWatch.h"

#include "device/Protocol.h"

namespace {

// The later of two tick counts, correct across the counter's wrap-around.
uint32_t Later(uint32_t A, uint32_t B) { return int32_t(B - A) > 0 ? B : A; }

}  // namespace

void TAckWatch::Heard(size_t Acks, uint32_t Now) {
  if (Acks == 0) return;
  heardAt_ = Now;
  for (; Acks > 0 && !owed_.empty(); --Acks) {
    heardPosition_ = owed_.front().Position;
    owed_.pop_front();
  }
}

// Why three more windows on top of the bytes up to the answer: the host looks for answers
// only once a window, so it may see one a window late; one more is slack for a device that
// answers a little late, one for the bytes the device takes before it counts a sound ('D').
bool TAckWatch::Overdue(uint32_t Now, uint32_t Queued) const {
  if (owed_.empty()) return false;
  const TOwed& next = owed_.front();
  const uint32_t since = Later(heardAt_, next.SentAt);
  const uint64_t bytes = next.Position - heardPosition_ + 3 * protocol::AckEvery + Queued;
  return Now - since > line_.Limit(bytes);
}
