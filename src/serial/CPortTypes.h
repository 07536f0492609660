#pragma once
// Enumerations, sets and event types of the serial port component.
#include <cstdint>
#include <functional>
#include <initializer_list>

class TCustomComPort;

enum TBaudRate : uint8_t {
  brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
  br56000, br57600, br115200, br128000, br256000
};
enum TDataBits : uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits : uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits : uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl : uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl : uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl : uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };
enum TSyncMethod : uint8_t { smThreadSync, smWindowSync, smNone, smDisableEvents };
enum TComEvent : uint8_t {
  evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full
};
enum TComError : uint8_t { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
enum TComSignal : uint8_t { csCTS, csDSR, csRing, csRLSD };

// A set over an enumeration: bit n stands for the value with ordinal n.
template <typename E>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> Items) {
    for (E e : Items) FBits |= Bit(e);
  }
  static constexpr TEnumSet FromBits(uint32_t Bits) {
    TEnumSet s;
    s.FBits = Bits;
    return s;
  }
  constexpr uint32_t Bits() const { return FBits; }
  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TEnumSet& Include(E e) {
    FBits |= Bit(e);
    return *this;
  }
  constexpr TEnumSet& Exclude(E e) {
    FBits &= ~Bit(e);
    return *this;
  }
  friend constexpr TEnumSet operator|(TEnumSet a, TEnumSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TEnumSet operator&(TEnumSet a, TEnumSet b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr bool operator==(TEnumSet a, TEnumSet b) { return a.FBits == b.FBits; }

 private:
  static constexpr uint32_t Bit(E e) { return uint32_t{1} << static_cast<unsigned>(e); }
  uint32_t FBits = 0;
};

using TComEvents = TEnumSet<TComEvent>;
using TComErrors = TEnumSet<TComError>;
using TComSignals = TEnumSet<TComSignal>;

inline constexpr TComEvents AllComEvents = TComEvents::FromBits(0x3FF);

// Event handler types; the port is always the Sender.
using TComNotifyEvent = std::function<void(TCustomComPort* Sender)>;
using TRxCharEvent = std::function<void(TCustomComPort* Sender, int Count)>;
using TRxBufEvent = std::function<void(TCustomComPort* Sender, const void* Buffer, int Count)>;
using TComSignalEvent = std::function<void(TCustomComPort* Sender, bool OnOff)>;
using TComErrorEvent = std::function<void(TCustomComPort* Sender, TComErrors Errors)>;

// Bits per second handed to the driver for a rate other than brCustom (0 for brCustom).
uint32_t BaudRateToInt(TBaudRate Rate);

// Driver event mask <-> event set. Exact inverses over the ten events; unknown mask bits are ignored.
uint32_t EventsToMask(TComEvents Events);
TComEvents MaskToEvents(uint32_t Mask);
// Driver mask bit of one event.
uint32_t EventMaskBit(TComEvent Event);
