#pragma once
// Serial communication services. The serial port component reaches the system only through
// this interface; comm_posix.cpp provides it on Linux, comm_win32.cpp on Windows. No Qt here.
//
// Windows' <windows.h> defines macros named like some names here (EV_RXCHAR, CreateFile,
// INVALID_HANDLE_VALUE): include this header before it.
//
// Conventions: a call that fails returns false (or an invalid handle) and leaves the system
// error code in LastError() of the calling thread. Transfers are blocking calls that honour
// the timeouts given with SetCommTimeouts.
#include <cstdint>
#include <string>

namespace comm {

// Wide enough for a descriptor and for a Windows HANDLE.
using THandle = std::intptr_t;
constexpr THandle INVALID_HANDLE_VALUE = -1;
// The stop signal of an event wait: an eventfd on Linux, an event object on Windows.
using TEventHandle = std::intptr_t;

// The device-control block, field by field as the driver takes it (28 bytes).
struct TDCB {
  uint32_t DCBlength = 28;
  uint32_t BaudRate = 0;
  uint32_t Flags = 0;  // bit word, see the DCB_ constants
  uint16_t wReserved = 0;
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 8;
  uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
  uint16_t wReserved1 = 0;
};
static_assert(sizeof(TDCB) == 28, "the device-control block has 28 bytes");

// Flag word bits.
constexpr uint32_t DCB_Binary = 0x0001;
constexpr uint32_t DCB_ParityCheck = 0x0002;
constexpr uint32_t DCB_OutxCtsFlow = 0x0004;
constexpr uint32_t DCB_OutxDsrFlow = 0x0008;
constexpr uint32_t DCB_DtrControlMask = 0x0030;
constexpr uint32_t DCB_DtrControlEnable = 0x0010;
constexpr uint32_t DCB_DtrControlHandshake = 0x0020;
constexpr uint32_t DCB_DsrSensivity = 0x0040;
constexpr uint32_t DCB_TxContinueOnXoff = 0x0080;
constexpr uint32_t DCB_OutX = 0x0100;
constexpr uint32_t DCB_InX = 0x0200;
constexpr uint32_t DCB_ErrorChar = 0x0400;
constexpr uint32_t DCB_Null = 0x0800;
constexpr uint32_t DCB_RtsControlMask = 0x3000;
constexpr uint32_t DCB_RtsControlEnable = 0x1000;
constexpr uint32_t DCB_RtsControlHandshake = 0x2000;
constexpr uint32_t DCB_RtsControlToggle = 0x3000;

struct TCommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;
};

// Driver event mask bits.
constexpr uint32_t EV_RXCHAR = 0x0001;
constexpr uint32_t EV_RXFLAG = 0x0002;
constexpr uint32_t EV_TXEMPTY = 0x0004;
constexpr uint32_t EV_CTS = 0x0008;
constexpr uint32_t EV_DSR = 0x0010;
constexpr uint32_t EV_RLSD = 0x0020;
constexpr uint32_t EV_BREAK = 0x0040;
constexpr uint32_t EV_ERR = 0x0080;
constexpr uint32_t EV_RING = 0x0100;
constexpr uint32_t EV_RX80FULL = 0x0400;

// Purge flags.
constexpr uint32_t PURGE_TXABORT = 0x0001;
constexpr uint32_t PURGE_RXABORT = 0x0002;
constexpr uint32_t PURGE_TXCLEAR = 0x0004;
constexpr uint32_t PURGE_RXCLEAR = 0x0008;

// Error word bits.
constexpr uint32_t CE_RXOVER = 0x0001;
constexpr uint32_t CE_OVERRUN = 0x0002;
constexpr uint32_t CE_RXPARITY = 0x0004;
constexpr uint32_t CE_FRAME = 0x0008;
constexpr uint32_t CE_BREAK = 0x0010;
constexpr uint32_t CE_TXFULL = 0x0100;
constexpr uint32_t CE_IOE = 0x0400;
constexpr uint32_t CE_MODE = 0x8000;

// Modem status bits.
constexpr uint32_t MS_CTS_ON = 0x0010;
constexpr uint32_t MS_DSR_ON = 0x0020;
constexpr uint32_t MS_RING_ON = 0x0040;
constexpr uint32_t MS_RLSD_ON = 0x0080;

// Outcome of a transfer.
enum class TIoResult {
  Completed,   // ran to its end or to its timeout; the count says how many bytes moved
  NotStarted,  // the system refused to start it (for example an invalid handle)
  Failed,      // started, then failed (for example the device went away)
};

// Outcome of an event wait.
enum class TWaitResult {
  Event,     // one or more masked events occurred (the mask may be empty after SetCommMask)
  Stopped,   // the stop descriptor was signalled (it wins when both are ready)
  Failed,    // the wait itself failed (the device is gone)
};

// A manual-reset event usable as the stop signal of WaitCommEvent.
class TStopEvent {
 public:
  TStopEvent();  // not signalled
  ~TStopEvent();
  TStopEvent(const TStopEvent&) = delete;
  TStopEvent& operator=(const TStopEvent&) = delete;
  void Set();               // stays signalled
  TEventHandle Descriptor() const { return FEvent; }

 private:
  TEventHandle FEvent;
};

class TCommServices {
 public:
  virtual ~TCommServices() = default;

  // Path of the device for a port name: "/x" as it is; COMn (1..255) -> /dev/ttyS<n-1>
  // (or $KESTRILO_DEV_DIR/ttyS<n-1>); any other name -> /dev/<name>. On Windows: "\\.\" and the
  // name (COM12 -> \\.\COM12), a name that starts with "\\" as it is.
  virtual std::string DevicePath(const std::string& PortName) = 0;
  // Opens the device exclusively for reading and writing; INVALID_HANDLE_VALUE on failure. A
  // second open of a port in use fails (busy on Linux, access denied on Windows).
  virtual THandle CreateFile(const std::string& Path) = 0;
  virtual bool CloseHandle(THandle Handle) = 0;
  virtual bool SetupComm(THandle Handle, int32_t InQueue, int32_t OutQueue) = 0;
  virtual bool SetCommState(THandle Handle, const TDCB& DCB) = 0;
  virtual bool SetCommTimeouts(THandle Handle, const TCommTimeouts& Timeouts) = 0;
  virtual bool PurgeComm(THandle Handle, uint32_t Flags) = 0;
  // Error word (cleared by the call) and number of received bytes queued.
  virtual bool ClearCommError(THandle Handle, uint32_t& Errors, uint32_t& InQueue) = 0;
  // Bytes written that have not left the port yet; 0 for a driver that cannot tell. Leaves
  // the error word for the next ClearCommError.
  virtual bool OutputQueueCount(THandle Handle, uint32_t& OutQueue) = 0;
  virtual bool GetCommModemStatus(THandle Handle, uint32_t& Status) = 0;
  virtual TIoResult WriteFile(THandle Handle, const void* Buffer, uint32_t Count, uint32_t& Written) = 0;
  virtual TIoResult ReadFile(THandle Handle, void* Buffer, uint32_t Count, uint32_t& Read) = 0;
  // Sets the watched events; ends a wait in progress on that handle with an empty mask.
  virtual bool SetCommMask(THandle Handle, uint32_t Mask) = 0;
  // Waits until a masked event occurs, the stop descriptor is signalled or the device fails.
  virtual TWaitResult WaitCommEvent(THandle Handle, TEventHandle StopDescriptor, uint32_t& EventMask) = 0;
  // The calling thread's error code of its last failed call.
  virtual uint32_t GetLastError() = 0;
  // One line of debug output.
  virtual void OutputDebugString(const std::string& Line) = 0;
};

// The services of this system. Shared, thread-safe.
TCommServices& SystemComm();

}  // namespace comm
