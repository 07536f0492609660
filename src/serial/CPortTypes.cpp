#include "serial/CPortTypes.h"

#include <array>

#include "platform/comm.h"

namespace {
constexpr std::array<uint32_t, 16> kBaudRates = {0,     110,   300,   600,   1200,  2400,
                                                 4800,  9600,  14400, 19200, 38400, 56000,
                                                 57600, 115200, 128000, 256000};
// Driver mask bit of each event, by the event's ordinal.
constexpr std::array<uint32_t, 10> kEventMaskBits = {
    comm::EV_RXCHAR, comm::EV_TXEMPTY, comm::EV_RXFLAG, comm::EV_RING, comm::EV_BREAK,
    comm::EV_CTS,    comm::EV_DSR,     comm::EV_ERR,    comm::EV_RLSD, comm::EV_RX80FULL};
}  // namespace

uint32_t BaudRateToInt(TBaudRate Rate) {
  return static_cast<size_t>(Rate) < kBaudRates.size() ? kBaudRates[Rate] : 0;
}

uint32_t EventMaskBit(TComEvent Event) {
  return static_cast<size_t>(Event) < kEventMaskBits.size() ? kEventMaskBits[Event] : 0;
}

uint32_t EventsToMask(TComEvents Events) {
  uint32_t mask = 0;
  for (size_t i = 0; i < kEventMaskBits.size(); ++i)
    if (Events.Contains(static_cast<TComEvent>(i))) mask |= kEventMaskBits[i];
  return mask;
}

TComEvents MaskToEvents(uint32_t Mask) {
  TComEvents events;
  for (size_t i = 0; i < kEventMaskBits.size(); ++i)
    if (Mask & kEventMaskBits[i]) events.Include(static_cast<TComEvent>(i));
  return events;
}
