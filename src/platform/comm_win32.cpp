// Serial services on Windows: the Win32 communication calls, every transfer overlapped.
//
// Wine runs these calls too, with a few differences that this backend evens out, so that the
// component sees one behaviour: a second open of a port in one process is refused here too;
// an immediate read that would stay pending on an empty queue is cancelled; a transfer that
// ends by its timeout counts as completed with its bytes; a wait ended by SetCommMask reports
// an empty mask; and bytes already reported are not reported again.
#include "platform/comm.h"
#include "platform/win32_api.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace comm {

using win32::AsHandle;
using win32::AsValue;

// ---- TStopEvent ----

TStopEvent::TStopEvent() : FEvent(AsValue(::CreateEventA(nullptr, TRUE, FALSE, nullptr))) {}

TStopEvent::~TStopEvent() {
  if (FEvent != 0) ::CloseHandle(AsHandle(FEvent));
}

void TStopEvent::Set() { ::SetEvent(AsHandle(FEvent)); }

namespace {

// comm's INVALID_HANDLE_VALUE; that name is Windows' macro in this file.
constexpr THandle kNoHandle = -1;

// How often the input count is sampled while unread bytes wait (their arrival is no signal).
constexpr DWORD kSamplePeriodMs = 20;

static_assert(sizeof(DCB) == sizeof(TDCB), "the device-control block is Windows' DCB");

bool Fail(DWORD Error) {
  ::SetLastError(Error);
  return false;
}

bool IsSet(HANDLE Event) { return ::WaitForSingleObject(Event, 0) == WAIT_OBJECT_0; }

// One overlapped header with its own manual-reset event, created signalled.
class TOverlapped {
 public:
  TOverlapped() : event_(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) { ov_.hEvent = event_.Get(); }
  bool Valid() const { return event_.Valid(); }
  OVERLAPPED* Get() { return &ov_; }
  HANDLE Event() const { return event_.Get(); }
  // Bytes the operation moved, also when it ended with an error status.
  DWORD Moved() const { return static_cast<DWORD>(ov_.InternalHigh); }

 private:
  win32::TOwnedHandle event_;
  OVERLAPPED ov_{};
};

// Ends an event wait that may still be pending and waits until the system has let go of its
// header: an empty mask ends it (Wine does not cancel a serial wait through CancelIoEx). True
// when it had completed successfully after all.
bool EndWait(HANDLE Port, TOverlapped& Op) {
  ::SetCommMask(Port, 0);
  DWORD n = 0;
  return ::GetOverlappedResult(Port, Op.Get(), &n, TRUE) != FALSE;
}

struct PortState {
  explicit PortState(std::string Key_) : key(std::move(Key_)) {}
  const std::string key;  // the device path in capitals

  std::mutex mutex;  // guards everything below
  TCommTimeouts timeouts;
  int32_t inQueue = 0;
  uint32_t mask = 0;          // as set through SetCommMask
  uint64_t maskGeneration = 0;
  uint32_t driverMask = 0;    // what the driver watches now
  uint32_t rxReported = 0;    // input count at the last EV_RXCHAR, lowered by reads
  bool rx80Reported = false;
  uint32_t keptErrors = 0;    // error word taken by the event wait, for the next ClearCommError
};

class Win32Comm final : public TCommServices {
 public:
  std::string DevicePath(const std::string& PortName) override;
  THandle CreateFile(const std::string& Path) override;
  bool CloseHandle(THandle Handle) override;
  bool SetupComm(THandle Handle, int32_t InQueue, int32_t OutQueue) override;
  bool SetCommState(THandle Handle, const TDCB& DCB) override;
  bool SetCommTimeouts(THandle Handle, const TCommTimeouts& Timeouts) override;
  bool PurgeComm(THandle Handle, uint32_t Flags) override;
  bool ClearCommError(THandle Handle, uint32_t& Errors, uint32_t& InQueue) override;
  bool OutputQueueCount(THandle Handle, uint32_t& OutQueue) override;
  bool GetCommModemStatus(THandle Handle, uint32_t& Status) override;
  TIoResult WriteFile(THandle Handle, const void* Buffer, uint32_t Count, uint32_t& Written) override;
  TIoResult ReadFile(THandle Handle, void* Buffer, uint32_t Count, uint32_t& Read) override;
  bool SetCommMask(THandle Handle, uint32_t Mask) override;
  TWaitResult WaitCommEvent(THandle Handle, TEventHandle StopDescriptor, uint32_t& EventMask) override;
  uint32_t GetLastError() override { return ::GetLastError(); }
  void OutputDebugString(const std::string& Line) override { ::OutputDebugStringA((Line + "\n").c_str()); }

 private:
  // Only handles this backend opened are used: another value fails as an invalid handle.
  std::shared_ptr<PortState> Find(THandle Handle) {
    std::lock_guard lock(mutex_);
    auto it = ports_.find(Handle);
    if (it == ports_.end()) {
      ::SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    return it->second;
  }
  TIoResult Transfer(THandle Handle, bool Write, void* Buffer, uint32_t Count, uint32_t& Moved);
  template <class TTake>
  bool ReadCommStat(THandle Handle, COMSTAT& Stat, const TTake& Take);
  // Input count for the event wait; the error word it clears is kept for ClearCommError.
  bool PeekInput(PortState& State, HANDLE Port, uint32_t& Count);
  // Watches Mask on the driver unless a newer SetCommMask came; false when the driver refused.
  bool ArmDriver(PortState& State, HANDLE Port, uint32_t Mask, uint64_t Generation);

  std::mutex mutex_;
  std::unordered_map<THandle, std::shared_ptr<PortState>> ports_;
};

std::string Win32Comm::DevicePath(const std::string& PortName) {
  if (PortName.rfind("\\\\", 0) == 0) return PortName;  // already a device path
  return "\\\\.\\" + PortName;
}

THandle Win32Comm::CreateFile(const std::string& Path) {
  std::string key = Path;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
  std::lock_guard lock(mutex_);
  // Windows refuses a second open of a port; Wine would grant it.
  for (const auto& [handle, state] : ports_)
    if (state->key == key) {
      Fail(ERROR_ACCESS_DENIED);
      return kNoHandle;
    }
  HANDLE h = ::CreateFileA(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return kNoHandle;
  ports_[AsValue(h)] = std::make_shared<PortState>(key);
  return AsValue(h);
}

bool Win32Comm::CloseHandle(THandle Handle) {
  {
    std::lock_guard lock(mutex_);
    if (ports_.erase(Handle) == 0) return Fail(ERROR_INVALID_HANDLE);
  }
  return ::CloseHandle(AsHandle(Handle)) != FALSE;
}

bool Win32Comm::SetupComm(THandle Handle, int32_t InQueue, int32_t OutQueue) {
  auto state = Find(Handle);
  if (!state) return false;
  {
    std::lock_guard lock(state->mutex);
    state->inQueue = InQueue;
  }
  return ::SetupComm(AsHandle(Handle), static_cast<DWORD>(InQueue), static_cast<DWORD>(OutQueue)) != FALSE;
}

bool Win32Comm::SetCommState(THandle Handle, const TDCB& Block) {
  if (!Find(Handle)) return false;
  DCB dcb;
  std::memcpy(&dcb, &Block, sizeof dcb);
  return ::SetCommState(AsHandle(Handle), &dcb) != FALSE;
}

bool Win32Comm::SetCommTimeouts(THandle Handle, const TCommTimeouts& Timeouts) {
  auto state = Find(Handle);
  if (!state) return false;
  COMMTIMEOUTS t{Timeouts.ReadIntervalTimeout, Timeouts.ReadTotalTimeoutMultiplier, Timeouts.ReadTotalTimeoutConstant,
                 Timeouts.WriteTotalTimeoutMultiplier, Timeouts.WriteTotalTimeoutConstant};
  if (!::SetCommTimeouts(AsHandle(Handle), &t)) return false;
  std::lock_guard lock(state->mutex);
  state->timeouts = Timeouts;
  return true;
}

bool Win32Comm::PurgeComm(THandle Handle, uint32_t Flags) {
  auto state = Find(Handle);
  if (!state) return false;
  // The output queue is left alone, as on Linux: a write that completed may still be queued
  // (Wine's pseudo-terminal, USB adapters), and clearing it would drop bytes already reported
  // as written, such as the last command before a close.
  if (!::PurgeComm(AsHandle(Handle), Flags & ~PURGE_TXCLEAR)) return false;
  if (Flags & PURGE_RXCLEAR) {
    std::lock_guard lock(state->mutex);
    state->rxReported = 0;
  }
  return true;
}

// The system's ClearCommError: its error word goes to Take, which runs under the port's lock.
template <class TTake>
bool Win32Comm::ReadCommStat(THandle Handle, COMSTAT& Stat, const TTake& Take) {
  auto state = Find(Handle);
  if (!state) return false;
  DWORD errors = 0;
  if (!::ClearCommError(AsHandle(Handle), &errors, &Stat)) return false;
  std::lock_guard lock(state->mutex);
  Take(*state, errors);
  return true;
}

bool Win32Comm::ClearCommError(THandle Handle, uint32_t& Errors, uint32_t& InQueue) {
  COMSTAT stat{};
  if (!ReadCommStat(Handle, stat, [&](PortState& State, DWORD Word) { Errors = Word | std::exchange(State.keptErrors, 0u); }))
    return false;
  InQueue = stat.cbInQue;
  return true;
}

// Windows tells the output queue only through ClearCommError, which also clears the error
// word: the word is kept for the next ClearCommError, as the event wait's look does.
bool Win32Comm::OutputQueueCount(THandle Handle, uint32_t& OutQueue) {
  COMSTAT stat{};
  if (!ReadCommStat(Handle, stat, [](PortState& State, DWORD Word) { State.keptErrors |= Word; })) return false;
  OutQueue = stat.cbOutQue;
  return true;
}

bool Win32Comm::GetCommModemStatus(THandle Handle, uint32_t& Status) {
  if (!Find(Handle)) return false;
  DWORD status = 0;
  if (!::GetCommModemStatus(AsHandle(Handle), &status)) return false;
  Status = status;
  return true;
}

TIoResult Win32Comm::Transfer(THandle Handle, bool Write, void* Buffer, uint32_t Count, uint32_t& Moved) {
  Moved = 0;
  auto state = Find(Handle);
  if (!state) return TIoResult::NotStarted;
  TCommTimeouts to;
  {
    std::lock_guard lock(state->mutex);
    to = state->timeouts;
  }
  TOverlapped op;
  if (!op.Valid()) return TIoResult::NotStarted;
  const HANDLE port = AsHandle(Handle);
  DWORD n = 0;
  const BOOL started = Write ? ::WriteFile(port, Buffer, Count, &n, op.Get()) : ::ReadFile(port, Buffer, Count, &n, op.Get());
  if (!started && ::GetLastError() != ERROR_IO_PENDING) return TIoResult::NotStarted;
  const bool immediate = to.ReadIntervalTimeout == MAXDWORD && to.ReadTotalTimeoutMultiplier == 0 &&
                         to.ReadTotalTimeoutConstant == 0;
  bool cancelled = false;
  if (!started && !Write && immediate) {
    // Windows completes such a read at once; Wine keeps it pending while the queue is empty.
    ::CancelIoEx(port, op.Get());
    cancelled = true;
  }
  ::WaitForSingleObject(op.Event(), INFINITE);
  if (!::GetOverlappedResult(port, op.Get(), &n, FALSE)) {
    const DWORD err = ::GetLastError();
    // Wine ends a transfer cut short by its timeout with an error; Windows with success.
    const bool ended = err == ERROR_TIMEOUT || (cancelled && err == ERROR_OPERATION_ABORTED);
    if (!ended) return TIoResult::Failed;
    n = op.Moved();
  }
  Moved = n;
  if (!Write && n > 0) {
    std::lock_guard lock(state->mutex);
    // Bytes taken from the queue no longer count as reported, so new ones are seen as growth.
    state->rxReported = state->rxReported > n ? state->rxReported - n : 0;
  }
  return TIoResult::Completed;
}

TIoResult Win32Comm::WriteFile(THandle Handle, const void* Buffer, uint32_t Count, uint32_t& Written) {
  return Transfer(Handle, true, const_cast<void*>(Buffer), Count, Written);
}

TIoResult Win32Comm::ReadFile(THandle Handle, void* Buffer, uint32_t Count, uint32_t& Read) {
  return Transfer(Handle, false, Buffer, Count, Read);
}

bool Win32Comm::SetCommMask(THandle Handle, uint32_t Mask) {
  auto state = Find(Handle);
  if (!state) return false;
  std::lock_guard lock(state->mutex);
  state->mask = Mask;
  ++state->maskGeneration;
  // The input-count events are worked out here, not by the driver (see WaitCommEvent).
  state->driverMask = Mask & ~EV_RX80FULL;
  // Ends a wait in progress: Windows completes it with an empty mask, Wine fails it.
  return ::SetCommMask(AsHandle(Handle), state->driverMask) != FALSE;
}

bool Win32Comm::PeekInput(PortState& State, HANDLE Port, uint32_t& Count) {
  DWORD errors = 0;
  COMSTAT stat{};
  if (!::ClearCommError(Port, &errors, &stat)) return false;
  std::lock_guard lock(State.mutex);
  State.keptErrors |= errors;
  Count = stat.cbInQue;
  return true;
}

bool Win32Comm::ArmDriver(PortState& State, HANDLE Port, uint32_t Mask, uint64_t Generation) {
  std::lock_guard lock(State.mutex);
  if (State.maskGeneration != Generation || State.driverMask == Mask) return true;
  State.driverMask = Mask;
  return ::SetCommMask(Port, Mask) != FALSE;
}

// EV_RXCHAR means "the input count grew since the last report", as on Linux: Wine reports
// EV_RXCHAR again and again while unread bytes wait, Windows only for new bytes. So while
// bytes wait unread the driver is not asked for EV_RXCHAR and the count is sampled instead,
// and the wait never spins on them.
TWaitResult Win32Comm::WaitCommEvent(THandle Handle, TEventHandle StopDescriptor, uint32_t& EventMask) {
  EventMask = 0;
  auto state = Find(Handle);
  if (!state) return TWaitResult::Failed;
  const HANDLE port = AsHandle(Handle);
  const HANDLE stop = AsHandle(StopDescriptor);
  uint64_t generation;
  {
    std::lock_guard lock(state->mutex);
    generation = state->maskGeneration;
  }
  TOverlapped op;
  if (!op.Valid()) return TWaitResult::Failed;
  DWORD reported = 0;  // written by the driver until the wait has ended
  uint32_t carried = 0;  // driver events of a completed wait, reported with the next look
  for (;;) {
    uint32_t count = 0;
    if (!PeekInput(*state, port, count)) return TWaitResult::Failed;
    uint32_t mask, events = carried;
    {
      std::lock_guard lock(state->mutex);
      if (state->maskGeneration != generation)  // a new mask ends the wait with nothing reported
        return IsSet(stop) ? TWaitResult::Stopped : TWaitResult::Event;
      mask = state->mask;
      if (count < state->rxReported) state->rxReported = count;
      if (count > state->rxReported) {
        events |= EV_RXCHAR;
        state->rxReported = count;
      }
      const bool full = state->inQueue > 0 && uint64_t{count} * 10 >= uint64_t(state->inQueue) * 8;
      if (full && !state->rx80Reported) events |= EV_RX80FULL;
      state->rx80Reported = full;
    }
    events &= mask;
    if (events != 0) {
      EventMask = events;
      return IsSet(stop) ? TWaitResult::Stopped : TWaitResult::Event;
    }
    carried = 0;
    const bool sample = count > 0 && (mask & (EV_RXCHAR | EV_RX80FULL));
    const uint32_t driverMask = mask & ~(EV_RX80FULL | (count > 0 ? EV_RXCHAR : 0u));
    if (!ArmDriver(*state, port, driverMask, generation)) return TWaitResult::Failed;
    DWORD handleCount = 1;
    if (driverMask != 0) {
      if (!::WaitCommEvent(port, &reported, op.Get()) && ::GetLastError() != ERROR_IO_PENDING)
        return TWaitResult::Failed;
      handleCount = 2;
    }
    bool newMask;
    {
      std::lock_guard lock(state->mutex);
      newMask = state->maskGeneration != generation;  // came before the wait began, so it did not end it
    }
    // Bytes that came between the look above and the start of the driver's wait may never
    // be reported by it (Wine keeps no history of them): look once more.
    uint32_t again = 0;
    const bool arrived = (driverMask & EV_RXCHAR) && PeekInput(*state, port, again) && again > count;
    const HANDLE handles[2] = {stop, op.Event()};
    const DWORD r = newMask || arrived ? WAIT_TIMEOUT
                            : ::WaitForMultipleObjects(handleCount, handles, FALSE, sample ? kSamplePeriodMs : INFINITE);
    const DWORD waitError = ::GetLastError();
    if (r == WAIT_OBJECT_0 + 1) {
      DWORD n = 0;
      if (::GetOverlappedResult(port, op.Get(), &n, FALSE)) {
        carried = reported & ~EV_RXCHAR;  // received bytes are judged by the count
        continue;
      }
      if (::GetLastError() == ERROR_OPERATION_ABORTED) continue;  // Wine, after SetCommMask
      return TWaitResult::Failed;
    }
    bool completed = false;
    if (handleCount == 2) {
      std::lock_guard lock(state->mutex);
      completed = EndWait(port, op);
      state->driverMask = 0;  // armed again on the next pass
    }
    if (r == WAIT_OBJECT_0) return TWaitResult::Stopped;
    if (r != WAIT_TIMEOUT) {
      Fail(waitError);
      return TWaitResult::Failed;
    }
    if (completed) carried = reported & ~EV_RXCHAR;
  }
}

}  // namespace

TCommServices& SystemComm() {
  static Win32Comm* comm = new Win32Comm;  // never destroyed: event threads may outlive statics
  return *comm;
}

}  // namespace comm
