#pragma once
// Enumerations, sets and event types of the serial port component.
#include <cstdint>
#include <functional>
#include <initializer_list>

#include "toolkit/enum_set.h"

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
// SystemError is the system's code of the failure that ended the line.
using TComLineLostEvent = std::function<void(TCustomComPort* Sender, uint32_t SystemError)>;

// Bits per second handed to the driver for a rate other than brCustom (0 for brCustom).
uint32_t BaudRateToInt(TBaudRate Rate);

// Driver event mask <-> event set. Exact inverses over the ten events; unknown mask bits are ignored.
uint32_t EventsToMask(TComEvents Events);
TComEvents MaskToEvents(uint32_t Mask);
// Driver mask bit of one event.
uint32_t EventMaskBit(TComEvent Event);
