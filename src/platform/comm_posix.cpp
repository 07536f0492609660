// Serial services on Linux: tty devices with termios, poll() and the serial ioctls.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/comm.h"
#include "platform/comm_posix_speed.h"
#include "platform/low_latency_posix.h"

namespace comm {

// ---- TStopEvent ----

TStopEvent::TStopEvent() : FEvent(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TStopEvent::~TStopEvent() {
  if (FEvent >= 0) ::close(static_cast<int>(FEvent));
}

void TStopEvent::Set() {
  uint64_t one = 1;
  // Never read back, so the descriptor stays readable: a manual-reset event.
  [[maybe_unused]] ssize_t n = ::write(static_cast<int>(FEvent), &one, sizeof one);
}

namespace {

thread_local uint32_t t_lastError = 0;

// How often line states are sampled while line, error or output-empty events are watched
// (the driver has no readiness signal for them).
constexpr int kSamplePeriodMs = 20;

bool Fail(int err) {
  t_lastError = static_cast<uint32_t>(err);
  return false;
}

uint64_t NowMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

struct Counters {
  int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};

// Error counters of the device; false when it keeps none (pseudo-terminals).
bool ReadCounters(int fd, Counters& c) {
  serial_icounter_struct ic{};
  if (::ioctl(fd, TIOCGICOUNT, &ic) < 0) return false;
  c = Counters{ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
  return true;
}

// Modem status bits in the driver's form. ENOTTY/EINVAL: a device without modem lines.
bool ReadModem(int fd, uint32_t& status) {
  int bits = 0;
  if (::ioctl(fd, TIOCMGET, &bits) < 0) {
    if (errno == ENOTTY || errno == EINVAL) {
      status = 0;
      return true;
    }
    return false;
  }
  status = 0;
  if (bits & TIOCM_CTS) status |= MS_CTS_ON;
  if (bits & TIOCM_DSR) status |= MS_DSR_ON;
  if (bits & TIOCM_RNG) status |= MS_RING_ON;
  if (bits & TIOCM_CAR) status |= MS_RLSD_ON;
  return true;
}

struct PortState {
  explicit PortState(int fd_) : fd(fd_), wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), latency(fd_) {}
  ~PortState() {
    if (wakeFd >= 0) ::close(wakeFd);
  }
  void Wake() {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
  }

  const int fd;
  const int wakeFd;  // makes a pending event wait look again
  platform::TLowLatency latency;  // restored before the descriptor closes
  std::atomic<uint32_t> mask{0};
  std::atomic<uint64_t> maskGeneration{0};

  std::mutex mutex;  // guards everything below
  TCommTimeouts timeouts;
  int32_t inQueue = 0;
  int32_t outQueue = 0;
  uint32_t rxReported = 0;  // input count at the last EV_RXCHAR, lowered by reads
  bool rx80Reported = false;
  bool txPending = false;   // written since the last EV_TXEMPTY
  uint32_t modem = 0;       // modem status at the last look, for EV_CTS/DSR/RING/RLSD
  Counters eventCounters;   // counters at the last look, for EV_ERR/EV_BREAK
  bool hasEventCounters = false;
  Counters errorCounters;   // counters at the last ClearCommError
  bool hasErrorCounters = false;
};

class PosixComm final : public TCommServices {
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
  uint32_t GetLastError() override { return t_lastError; }
  void OutputDebugString(const std::string& Line) override;

 private:
  std::shared_ptr<PortState> Find(THandle Handle) {
    std::lock_guard lock(FMutex);
    auto it = FPorts.find(Handle);
    return it == FPorts.end() ? nullptr : it->second;
  }

  // A transfer works with the timeouts as they were when it started.
  std::shared_ptr<PortState> FindWithTimeouts(THandle Handle, TCommTimeouts& Timeouts) {
    auto state = Find(Handle);
    if (!state) {
      Fail(EBADF);
      return nullptr;
    }
    std::lock_guard lock(state->mutex);
    Timeouts = state->timeouts;
    return state;
  }

  std::mutex FMutex;
  std::unordered_map<THandle, std::shared_ptr<PortState>> FPorts;
};

std::string PosixComm::DevicePath(const std::string& PortName) {
  if (!PortName.empty() && PortName[0] == '/') return PortName;
  if (PortName.size() > 3 && PortName.compare(0, 3, "COM") == 0 && PortName[3] != '0') {
    int n = 0;
    bool digits = PortName.size() <= 6;
    for (size_t i = 3; digits && i < PortName.size(); ++i) {
      if (PortName[i] < '0' || PortName[i] > '9') digits = false;
      else n = n * 10 + (PortName[i] - '0');
    }
    if (digits && n >= 1 && n <= 255) {
      const char* dir = std::getenv("KESTRILO_DEV_DIR");
      std::string base = (dir != nullptr && *dir != '\0') ? dir : "/dev";
      return base + "/ttyS" + std::to_string(n - 1);
    }
  }
  return "/dev/" + PortName;
}

THandle PosixComm::CreateFile(const std::string& Path) {
  int fd = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return INVALID_HANDLE_VALUE;
  }
  // The lock keeps out other programs (root ignores TIOCEXCL); take it before marking the
  // line exclusive so that a refused open leaves the holder's line as it was.
  if (::flock(fd, LOCK_EX | LOCK_NB) < 0) {
    int err = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    Fail(err);
    return INVALID_HANDLE_VALUE;
  }
  (void)::ioctl(fd, TIOCEXCL);
  auto state = std::make_shared<PortState>(fd);
  if (state->wakeFd < 0) {
    int err = errno;
    state->latency.Restore();
    (void)::ioctl(fd, TIOCNXCL);
    ::close(fd);
    Fail(err);
    return INVALID_HANDLE_VALUE;
  }
  state->hasErrorCounters = ReadCounters(fd, state->errorCounters);
  std::lock_guard lock(FMutex);
  FPorts[fd] = std::move(state);
  return fd;
}

bool PosixComm::CloseHandle(THandle Handle) {
  std::shared_ptr<PortState> state;
  {
    std::lock_guard lock(FMutex);
    auto it = FPorts.find(Handle);
    if (it == FPorts.end()) return Fail(EBADF);
    state = std::move(it->second);
    FPorts.erase(it);
  }
  state->latency.Restore();
  (void)::ioctl(Handle, TIOCNXCL);  // others (without root) may open the line again
  (void)::flock(Handle, LOCK_UN);
  if (::close(Handle) < 0 && errno != EINTR) return Fail(errno);
  return true;
}

bool PosixComm::SetupComm(THandle Handle, int32_t InQueue, int32_t OutQueue) {
  auto state = Find(Handle);
  if (!state) return Fail(EBADF);
  // Linux tty queues have fixed sizes: the sizes are kept (the 80 % level uses the input size).
  std::lock_guard lock(state->mutex);
  state->inQueue = InQueue;
  state->outQueue = OutQueue;
  return true;
}

namespace {
speed_t StandardSpeed(uint32_t rate) {
  switch (rate) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    default: return B0;
  }
}
}  // namespace

bool PosixComm::SetCommState(THandle Handle, const TDCB& DCB) {
  auto state = Find(Handle);
  if (!state) return Fail(EBADF);
  // Rate 0 would hang up the line, and no sane driver takes it.
  if (DCB.BaudRate == 0 || DCB.BaudRate > 0x7FFFFFFF) return Fail(EINVAL);
  if (DCB.ByteSize < 5 || DCB.ByteSize > 8 || DCB.Parity > 4 || DCB.StopBits > 2) return Fail(EINVAL);

  termios t{};
  if (::tcgetattr(Handle, &t) < 0) return Fail(errno);
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[DCB.ByteSize - 5];
  switch (DCB.Parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (DCB.StopBits != 0) t.c_cflag |= CSTOPB;  // Linux has no 1.5: both longer frames use two
  t.c_iflag &= ~(INPCK | IGNPAR | PARMRK | IXON | IXOFF | IXANY);
  if (DCB.Flags & DCB_ParityCheck) t.c_iflag |= INPCK;
  if ((DCB.Flags & DCB_OutxCtsFlow) || (DCB.Flags & DCB_RtsControlMask) == DCB_RtsControlHandshake)
    t.c_cflag |= CRTSCTS;
  if (DCB.Flags & DCB_OutX) t.c_iflag |= IXON;
  if (DCB.Flags & DCB_InX) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(DCB.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(DCB.XoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  // Accepted without effect, as Linux has no such settings: DSR output flow, DSR sensitivity,
  // TX-continue-on-XOFF, null discard, error replacement, the XON/XOFF limits, the event and
  // end-of-file characters.

  const speed_t speed = StandardSpeed(DCB.BaudRate);
  if (speed != B0) {
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
  }
  detail::TLineFields fields;
  fields.iflag = t.c_iflag;
  fields.oflag = t.c_oflag;
  fields.cflag = t.c_cflag;
  fields.lflag = t.c_lflag;
  fields.line = t.c_line;
  static_assert(sizeof fields.cc <= sizeof t.c_cc);
  std::memcpy(fields.cc, t.c_cc, sizeof fields.cc);
  uint32_t actual = 0;
  const uint32_t arbitrary = speed == B0 ? DCB.BaudRate : 0;
  if (int err = detail::ApplyLine(Handle, fields, arbitrary, actual); err != 0) return Fail(err);
  if (arbitrary != 0) {
    // A driver that cannot come within 3 % of the rate has refused it.
    const uint64_t diff = actual > arbitrary ? actual - arbitrary : arbitrary - actual;
    if (diff * 100 > uint64_t{arbitrary} * 3) return Fail(EINVAL);
  }

  // DTR and RTS as asked; devices without modem lines (pseudo-terminals) refuse, which is fine.
  int dtr = TIOCM_DTR, rts = TIOCM_RTS;
  uint32_t dtrMode = DCB.Flags & DCB_DtrControlMask;
  (void)::ioctl(Handle, dtrMode == 0 ? TIOCMBIC : TIOCMBIS, &dtr);
  uint32_t rtsMode = DCB.Flags & DCB_RtsControlMask;
  if (rtsMode != DCB_RtsControlHandshake)  // with CRTSCTS the driver moves RTS itself
    (void)::ioctl(Handle, rtsMode == 0 ? TIOCMBIC : TIOCMBIS, &rts);
  return true;
}

bool PosixComm::SetCommTimeouts(THandle Handle, const TCommTimeouts& Timeouts) {
  auto state = Find(Handle);
  if (!state) return Fail(EBADF);
  std::lock_guard lock(state->mutex);
  state->timeouts = Timeouts;
  return true;
}

bool PosixComm::PurgeComm(THandle Handle, uint32_t Flags) {
  auto state = Find(Handle);
  if (!state) return Fail(EBADF);
  // Aborting: every transfer here is one blocking call, so none outlives its caller and there
  // is nothing to abort. Clearing empties the input queue. The output queue is left alone: a
  // write here completes once the tty has queued the bytes, not once they have left, so
  // flushing it would drop bytes already reported as written (the last command before a close).
  bool tx = Flags & PURGE_TXCLEAR, rx = Flags & PURGE_RXCLEAR;
  if (tx || rx) {
    if (rx && ::tcflush(Handle, TCIFLUSH) < 0) return Fail(errno);
    std::lock_guard lock(state->mutex);
    if (rx) {
      state->rxReported = 0;
      state->rx80Reported = false;
    }
    if (tx) state->txPending = false;
  }
  return true;
}

bool PosixComm::ClearCommError(THandle Handle, uint32_t& Errors, uint32_t& InQueue) {
  auto state = Find(Handle);
  if (!state) return Fail(EBADF);
  int queued = 0;
  if (::ioctl(Handle, FIONREAD, &queued) < 0) return Fail(errno);
  Errors = 0;
  InQueue = static_cast<uint32_t>(queued < 0 ? 0 : queued);
  Counters now;
  if (ReadCounters(Handle, now)) {
    std::lock_guard lock(state->mutex);
    const Counters& was = state->errorCounters;
    if (state->hasErrorCounters) {
      if (now.frame != was.frame) Errors |= CE_FRAME;
      if (now.overrun != was.overrun) Errors |= CE_OVERRUN;
      if (now.parity != was.parity) Errors |= CE_RXPARITY;
      if (now.brk != was.brk) Errors |= CE_BREAK;
      if (now.bufOverrun != was.bufOverrun) Errors |= CE_RXOVER;
    }
    state->errorCounters = now;
    state->hasErrorCounters = true;
  }
  return true;
}

bool PosixComm::OutputQueueCount(THandle Handle, uint32_t& OutQueue) {
  if (!Find(Handle)) return Fail(EBADF);
  int queued = 0;
  if (::ioctl(Handle, TIOCOUTQ, &queued) < 0) {
    if (errno != ENOTTY && errno != EINVAL) return Fail(errno);
    queued = 0;  // a driver without an output queue to tell of
  }
  OutQueue = static_cast<uint32_t>(queued < 0 ? 0 : queued);
  return true;
}

bool PosixComm::GetCommModemStatus(THandle Handle, uint32_t& Status) {
  auto state = Find(Handle);
  if (!state) return Fail(EBADF);
  if (!ReadModem(Handle, Status)) return Fail(errno);
  return true;
}

TIoResult PosixComm::WriteFile(THandle Handle, const void* Buffer, uint32_t Count, uint32_t& Written) {
  Written = 0;
  TCommTimeouts to;
  auto state = FindWithTimeouts(Handle, to);
  if (!state) return TIoResult::NotStarted;
  const uint64_t total = uint64_t{to.WriteTotalTimeoutMultiplier} * Count + to.WriteTotalTimeoutConstant;
  uint64_t start = 0;  // read when the queue is first found full: most writes never wait
  const auto* bytes = static_cast<const unsigned char*>(Buffer);
  while (Written < Count) {
    ssize_t n = ::write(Handle, bytes + Written, Count - Written);
    if (n > 0) {
      Written += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      Fail(errno);
      return TIoResult::Failed;
    }
    // The queue is full: wait for room until the write timeout (none when both totals are 0).
    int wait = -1;
    if (total != 0) {
      if (start == 0) start = NowMs();
      uint64_t spent = NowMs() - start;
      if (spent >= total) break;
      wait = static_cast<int>(total - spent);
    }
    pollfd p{static_cast<int>(Handle), POLLOUT, 0};
    if (::poll(&p, 1, wait) < 0 && errno != EINTR) {
      Fail(errno);
      return TIoResult::Failed;
    }
  }
  if (Written > 0) {
    {
      std::lock_guard lock(state->mutex);
      state->txPending = true;
    }
    if (state->mask.load() & EV_TXEMPTY) state->Wake();
  }
  return TIoResult::Completed;
}

namespace {
constexpr uint32_t kAll = 0xFFFFFFFFu;

// The driver's timeout rules: interval all-ones with both totals 0 returns at once; interval
// and multiplier all-ones with a constant waits that long for the first byte only; otherwise
// a total limit (multiplier x count + constant) and a limit between two bytes, 0 = none.
struct ReadLimits {
  bool immediate = false;
  bool firstByteOnly = false;
  uint64_t total = 0;
  uint32_t interval = 0;
};

ReadLimits ReadLimitsOf(const TCommTimeouts& to, uint32_t Count) {
  ReadLimits limits;
  limits.immediate = to.ReadIntervalTimeout == kAll && to.ReadTotalTimeoutMultiplier == 0 &&
                     to.ReadTotalTimeoutConstant == 0;
  limits.firstByteOnly = to.ReadIntervalTimeout == kAll && to.ReadTotalTimeoutMultiplier == kAll &&
                         to.ReadTotalTimeoutConstant != 0 && to.ReadTotalTimeoutConstant != kAll;
  if (limits.firstByteOnly) {
    limits.total = to.ReadTotalTimeoutConstant;
  } else if (!limits.immediate) {
    limits.total = uint64_t{to.ReadTotalTimeoutMultiplier} * Count + to.ReadTotalTimeoutConstant;
    limits.interval = to.ReadIntervalTimeout == kAll ? 0 : to.ReadIntervalTimeout;
  }
  return limits;
}

// Milliseconds to wait for the next byte: -1 without limit, nullopt once a limit has passed.
std::optional<int> ReadWaitLeft(const ReadLimits& limits, uint64_t start, uint64_t lastByte, uint32_t Read) {
  const uint64_t now = NowMs();
  bool limited = false;
  int64_t remain = INT64_MAX;
  if (limits.total != 0) {
    remain = static_cast<int64_t>(limits.total) - static_cast<int64_t>(now - start);
    limited = true;
  }
  if (limits.interval != 0 && Read > 0) {
    remain = std::min<int64_t>(remain, static_cast<int64_t>(limits.interval) - static_cast<int64_t>(now - lastByte));
    limited = true;
  }
  if (!limited) return -1;
  if (remain <= 0) return std::nullopt;
  return static_cast<int>(std::min<int64_t>(remain, INT32_MAX));
}

// False, with the reason kept, when the port failed or went away while waiting.
bool AwaitInput(int fd, int wait) {
  pollfd p{fd, POLLIN, 0};
  int r = ::poll(&p, 1, wait);
  if (r < 0 && errno != EINTR) return Fail(errno);
  if (r > 0 && !(p.revents & POLLIN) && (p.revents & (POLLERR | POLLNVAL | POLLHUP))) return Fail(EIO);
  return true;
}

// Bytes taken from the queue no longer count as reported, so new ones are seen as growth.
void ForgetReadBytes(PortState& state, uint32_t Read) {
  std::lock_guard lock(state.mutex);
  state.rxReported = state.rxReported > Read ? state.rxReported - Read : 0;
}
}  // namespace

TIoResult PosixComm::ReadFile(THandle Handle, void* Buffer, uint32_t Count, uint32_t& Read) {
  Read = 0;
  TCommTimeouts to;
  auto state = FindWithTimeouts(Handle, to);
  if (!state) return TIoResult::NotStarted;
  const ReadLimits limits = ReadLimitsOf(to, Count);
  const uint64_t start = NowMs();
  uint64_t lastByte = start;
  auto* bytes = static_cast<unsigned char*>(Buffer);
  while (Read < Count) {
    ssize_t n = ::read(Handle, bytes + Read, Count - Read);
    if (n > 0) {
      Read += static_cast<uint32_t>(n);
      lastByte = NowMs();
      if (limits.firstByteOnly) break;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      Fail(errno);
      Read = 0;
      return TIoResult::Failed;
    }
    if (limits.immediate) break;
    const std::optional<int> wait = ReadWaitLeft(limits, start, lastByte, Read);
    if (!wait) break;
    if (!AwaitInput(static_cast<int>(Handle), *wait)) {
      Read = 0;
      return TIoResult::Failed;
    }
  }
  if (Read > 0) ForgetReadBytes(*state, Read);
  return TIoResult::Completed;
}

bool PosixComm::SetCommMask(THandle Handle, uint32_t Mask) {
  auto state = Find(Handle);
  if (!state) return Fail(EBADF);
  {
    std::lock_guard lock(state->mutex);
    // Line changes count from now on.
    uint32_t modem = 0;
    if (ReadModem(Handle, modem)) state->modem = modem;
    state->hasEventCounters = ReadCounters(Handle, state->eventCounters);
    state->mask = Mask;
    ++state->maskGeneration;
  }
  state->Wake();
  return true;
}

namespace {
bool Signalled(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// The steps below run under the port's mutex; each returns the events it found and sets
// sample when its lines can only be watched by looking again later.

uint32_t InputEvents(PortState& state, uint32_t mask, uint32_t count) {
  uint32_t events = 0;
  if (count < state.rxReported) state.rxReported = count;
  if (count > state.rxReported) {
    // Growth is reported once; unread bytes never make the wait return again.
    if (mask & EV_RXCHAR) events |= EV_RXCHAR;
    state.rxReported = count;
  }
  if (state.inQueue > 0 && uint64_t{count} * 10 >= uint64_t(state.inQueue) * 8) {
    if (!state.rx80Reported) events |= EV_RX80FULL;
    state.rx80Reported = true;
  } else {
    state.rx80Reported = false;
  }
  return events;
}

uint32_t OutputEvents(PortState& state, uint32_t mask, bool& sample) {
  if (!state.txPending) return 0;
  int outq = 0;
  if (::ioctl(state.fd, TIOCOUTQ, &outq) < 0 || outq <= 0) {
    state.txPending = false;
    return EV_TXEMPTY;
  }
  if (mask & EV_TXEMPTY) sample = true;
  return 0;
}

uint32_t ModemEvents(PortState& state, uint32_t mask, bool& sample) {
  if (!(mask & (EV_CTS | EV_DSR | EV_RING | EV_RLSD))) return 0;
  sample = true;
  uint32_t modem = 0;
  if (!ReadModem(state.fd, modem)) return 0;
  const uint32_t changed = modem ^ state.modem;
  state.modem = modem;
  uint32_t events = 0;
  if (changed & MS_CTS_ON) events |= EV_CTS;
  if (changed & MS_DSR_ON) events |= EV_DSR;
  if (changed & MS_RING_ON) events |= EV_RING;
  if (changed & MS_RLSD_ON) events |= EV_RLSD;
  return events;
}

uint32_t LineErrorEvents(PortState& state, uint32_t mask, bool& sample) {
  if (!(mask & (EV_ERR | EV_BREAK))) return 0;
  sample = true;
  Counters now;
  if (!ReadCounters(state.fd, now)) return 0;
  uint32_t events = 0;
  const Counters& was = state.eventCounters;
  if (state.hasEventCounters) {
    if (now.frame != was.frame || now.overrun != was.overrun || now.parity != was.parity ||
        now.bufOverrun != was.bufOverrun)
      events |= EV_ERR;
    if (now.brk != was.brk) events |= EV_BREAK;
  }
  state.eventCounters = now;
  state.hasEventCounters = true;
  return events;
}

uint32_t PendingEvents(PortState& state, uint32_t mask, uint32_t count, bool& sample) {
  std::lock_guard lock(state.mutex);
  uint32_t events = InputEvents(state, mask, count);
  events |= OutputEvents(state, mask, sample);
  events |= ModemEvents(state, mask, sample);
  events |= LineErrorEvents(state, mask, sample);
  return events & mask;
}

enum class Sleep { Again, Stopped, Failed };

// Sleeps until the stop event, a wake-up, port readiness or the next sample. Readiness of the
// port only helps while its input queue is empty; with unread bytes the growth is sampled
// instead, so the wait never spins on them.
Sleep SleepUntilChange(PortState& state, TEventHandle StopDescriptor, uint32_t mask, uint32_t count, bool sample) {
  short portEvents = 0;
  if (mask & (EV_RXCHAR | EV_RX80FULL)) {
    if (count == 0) portEvents = POLLIN;
    else sample = true;
  }
  pollfd fds[3] = {{static_cast<int>(StopDescriptor), POLLIN, 0},
                   {state.wakeFd, POLLIN, 0},
                   {state.fd, portEvents, 0}};
  int r = ::poll(fds, 3, sample ? kSamplePeriodMs : -1);
  if (r < 0) {
    if (errno == EINTR) return Sleep::Again;
    Fail(errno);
    return Sleep::Failed;
  }
  if (fds[0].revents != 0) return Sleep::Stopped;
  if (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
    Fail(EIO);  // the device is gone
    return Sleep::Failed;
  }
  if (fds[1].revents != 0) {
    uint64_t drained = 0;
    [[maybe_unused]] ssize_t n = ::read(state.wakeFd, &drained, sizeof drained);
  }
  return Sleep::Again;
}
}  // namespace

TWaitResult PosixComm::WaitCommEvent(THandle Handle, TEventHandle StopDescriptor, uint32_t& EventMask) {
  EventMask = 0;
  auto state = Find(Handle);
  if (!state) {
    Fail(EBADF);
    return TWaitResult::Failed;
  }
  const uint64_t generation = state->maskGeneration.load();
  for (;;) {
    if (state->maskGeneration.load() != generation) {
      // A new mask ends the wait with nothing reported.
      return Signalled(StopDescriptor) ? TWaitResult::Stopped : TWaitResult::Event;
    }
    const uint32_t mask = state->mask.load();
    int queued = 0;
    if (::ioctl(Handle, FIONREAD, &queued) < 0) {
      Fail(errno);
      return TWaitResult::Failed;
    }
    const uint32_t count = static_cast<uint32_t>(queued < 0 ? 0 : queued);
    bool sample = false;
    if (const uint32_t events = PendingEvents(*state, mask, count, sample); events != 0) {
      EventMask = events;
      return Signalled(StopDescriptor) ? TWaitResult::Stopped : TWaitResult::Event;
    }
    switch (SleepUntilChange(*state, StopDescriptor, mask, count, sample)) {
      case Sleep::Stopped: return TWaitResult::Stopped;
      case Sleep::Failed: return TWaitResult::Failed;
      case Sleep::Again: break;
    }
  }
}

void PosixComm::OutputDebugString(const std::string& Line) { std::fprintf(stderr, "%s\n", Line.c_str()); }

}  // namespace

TCommServices& SystemComm() {
  static PosixComm* comm = new PosixComm;  // never destroyed: event threads may outlive statics
  return *comm;
}

}  // namespace comm
