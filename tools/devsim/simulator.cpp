#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "devsim/devsim.h"
#include "chatter.h"
#include "line_rate.h"
#include "protocol.h"
#include "pty.h"
#include "recorder.h"

namespace devsim {

using Clock = std::chrono::steady_clock;

struct Simulator::State {
  explicit State(const Options& o)
      : options(o),
        recorder(o.dump_dir),
        protocol(o, recorder),
        chatter(o, Clock::now()),
        line(o.line_rate ? o.baud / 10.0 : 0.0) {}

  void Serve();
  void SendReplies(Clock::time_point now);
  void SendChatter(Clock::time_point now);
  Clock::time_point Deadline(Clock::time_point now, bool can_read);
  bool ReadHost();  // false once the line is hung up
  void Feed(std::uint8_t byte, unsigned host_baud, Clock::time_point now);
  void CheckExclusive();
  void StartStall(Clock::time_point now);
  void EndStallIfDue(Clock::time_point now);
  void Hangup();

  const Options options;
  Pty pty;
  Recorder recorder;
  Protocol protocol;
  Chatter chatter;
  LineRate line;
  std::vector<std::uint8_t> out;  // reply bytes due but not yet written
  bool write_failed_reported = false;
  Clock::time_point next_check{};
  std::uint64_t received_at_check = 0;  // the host's bytes taken by the last check
  std::optional<Clock::time_point> stalled_until;
  UniqueFd stop_fd;
  std::string link_path;
  std::thread thread;
  std::mutex stop_mutex;
  bool stopped = false;
};

namespace {

void CheckOptions(const Options& o) {
  if (o.baud != 115200 && o.baud != 57600 && o.baud != 9600)
    throw std::invalid_argument("baud must be 115200, 57600 or 9600");
  if (o.capacity_units > 255) throw std::invalid_argument("capacity units must be 0..255");
  if (o.version_byte > 255) throw std::invalid_argument("version byte must be 0..255");
  if (o.hangup_after < -1) throw std::invalid_argument("hangup-after must be -1 (never) or more");
  if (auto conflict = OptionsConflict(o); !conflict.empty()) throw std::invalid_argument(conflict);
}

void MakeLink(const std::string& link, const std::string& target) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode))
      throw std::system_error(EEXIST, std::generic_category(), link + " exists and is not a link");
    if (::unlink(link.c_str()) != 0) throw std::system_error(errno, std::generic_category(), link);
  }
  if (::symlink(target.c_str(), link.c_str()) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot link " + link);
}

timespec Until(Clock::time_point deadline, Clock::time_point now) {
  auto d = deadline > now ? deadline - now : Clock::duration::zero();
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
  return timespec{time_t(ns / 1000000000), long(ns % 1000000000)};
}

}  // namespace

Simulator::Simulator(Options options) : options_(std::move(options)) {
  CheckOptions(options_);
  state_ = std::make_unique<State>(options_);
  if (auto line = state_->chatter.StartLine(); !line.empty()) state_->recorder.Log(line);
  slave_path_ = state_->pty.SlavePath();
  state_->stop_fd = UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (state_->stop_fd.Get() < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  if (!options_.link_path.empty()) {
    MakeLink(options_.link_path, slave_path_);
    state_->link_path = options_.link_path;
  }
  try {
    state_->thread = std::thread([s = state_.get()] { s->Serve(); });
  } catch (...) {
    if (!state_->link_path.empty()) ::unlink(state_->link_path.c_str());
    throw;
  }
}

Simulator::~Simulator() { Stop(); }

void Simulator::Stop() {
  if (!state_) return;
  std::lock_guard lock(state_->stop_mutex);
  if (state_->stopped) return;
  state_->stopped = true;
  std::uint64_t one = 1;
  if (::write(state_->stop_fd.Get(), &one, sizeof one) < 0) std::perror("kestrilo-devsim: eventfd");
  if (state_->thread.joinable()) state_->thread.join();
  state_->recorder.Finish();
  if (!state_->link_path.empty()) ::unlink(state_->link_path.c_str());
  state_->pty.Close();
}

// Effects come before the log line, so a test that waits for the line sees them.
void Simulator::State::Hangup() {
  recorder.Finish();
  pty.Close();
  recorder.SetHungUp();
  recorder.Log(protocol.HangupLine());
}

void Simulator::State::SendReplies(Clock::time_point now) {
  auto due = protocol.TakeDueReplies(now);
  if (!due.empty()) {
    // A reply reaching a host that listens at another speed arrives as garbage at
    // best; it must not arrive as a valid answer (a late reply to a probe at the
    // previous speed, for example).
    const unsigned host_baud = pty.HostReceiveBaud();
    if (host_baud == options.baud)
      out.insert(out.end(), due.begin(), due.end());
    else
      recorder.Log("dropped " + ReplyLine(due) + ", host listens at " + std::to_string(host_baud) + " bit/s");
  }
  if (out.empty()) return;
  ssize_t n = ::write(pty.Master(), out.data(), out.size());
  if (n > 0) {
    out.erase(out.begin(), out.begin() + n);
    recorder.CountSent(std::size_t(n));
  } else if (n < 0 && errno != EAGAIN && errno != EINTR && !write_failed_reported) {
    write_failed_reported = true;
    std::fprintf(stderr, "kestrilo-devsim: cannot answer: %s\n", std::strerror(errno));
    out.clear();
  }
}

// Chatter waits behind a reply in progress and never retries: what does not fit is lost.
// Until a host has set up the line the kernel would echo it back as the host's bytes.
void Simulator::State::SendChatter(Clock::time_point now) {
  if (!chatter.NextDue()) return;  // none
  const auto bytes = chatter.Due(now, out.empty() && !pty.HostEchoes());
  if (bytes.empty()) return;
  ssize_t n = ::write(pty.Master(), bytes.data(), bytes.size());
  if (n > 0) recorder.CountSent(std::size_t(n));
}

// Reading the kernel's lock table can hold this thread for tens of milliseconds, long enough
// to starve a fast host of its acknowledgements, so it is read only while the line is quiet:
// a host that is sending is alive and holds its port.
void Simulator::State::CheckExclusive() {
  const std::uint64_t received = recorder.Received();
  if (received == received_at_check)
    pty.ReleaseStaleExclusive();
  else
    pty.KeepExclusive();
  received_at_check = received;
}

void Simulator::State::StartStall(Clock::time_point now) {
  pty.HoldHostOutput(true);
  line.Idle();  // the held bytes come at the line's pace afterwards, not in a burst
  std::string text = "stall after " + std::to_string(protocol.DataBytes()) + " data bytes ";
  if (options.stall_ms == 0) {
    stalled_until = Clock::time_point::max();
    text += "for good";
  } else {
    stalled_until = now + std::chrono::milliseconds(options.stall_ms);
    text += "for " + std::to_string(options.stall_ms) + " ms";
  }
  recorder.Log(text);
}

void Simulator::State::EndStallIfDue(Clock::time_point now) {
  if (!stalled_until || now < *stalled_until) return;
  stalled_until.reset();
  pty.HoldHostOutput(false);
  recorder.Log("stall over");
}

Clock::time_point Simulator::State::Deadline(Clock::time_point now, bool can_read) {
  // Idle line: wait for the host's next byte. Busy line: wait for the line to carry
  // a few more bytes (one wake-up per byte would cost too much CPU).
  Clock::time_point deadline = next_check;
  if (auto d = protocol.NextDue()) deadline = std::min(deadline, *d);
  if (auto d = chatter.NextDue()) deadline = std::min(deadline, *d);
  if (stalled_until)
    deadline = std::min(deadline, *stalled_until);
  else if (!can_read)
    deadline = std::min(deadline, line.ReadyAt(std::clamp<std::size_t>(pty.Unread(), 1, 4)));
  return std::max(deadline, now);
}

void Simulator::State::Feed(std::uint8_t byte, unsigned host_baud, Clock::time_point now) {
  if (options.neighbour)
    recorder.Log("neighbour received " + ByteName(byte) + " at " + std::to_string(host_baud) + " bit/s");
  else if (host_baud == options.baud)
    protocol.Receive(byte, now);
  else
    protocol.Ignore(byte, host_baud);
}

bool Simulator::State::ReadHost() {
  std::uint8_t buf[256];
  recorder.SetIdle(false);
  const auto now = Clock::now();
  line.Resume(now);
  const std::size_t want = std::min({sizeof buf, line.Allowance(now), protocol.TakeLimit()});
  if (want == 0) return true;
  ssize_t n = ::read(pty.Master(), buf, want);
  if (n < 0 && errno == EAGAIN) line.Idle();
  if (n <= 0) return true;
  line.Take(std::size_t(n));
  if (std::size_t(n) < want) line.Idle();
  recorder.CountReceived(std::size_t(n));
  const unsigned host_baud = pty.HostBaud();
  for (ssize_t i = 0; i < n; ++i) {
    Feed(buf[i], host_baud, now);
    if (protocol.HangupRequested()) {
      Hangup();
      return false;
    }
    if (protocol.TakeStall()) StartStall(now);
  }
  return true;
}

void Simulator::State::Serve() {
  // Signals are for the program's main thread.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  constexpr auto kExclusiveCheck = std::chrono::milliseconds(50);
  next_check = Clock::now();

  for (;;) {
    const auto now = Clock::now();
    protocol.Tick(now);
    if (protocol.HangupRequested()) return Hangup();
    SendReplies(now);
    SendChatter(now);
    if (now >= next_check) {
      CheckExclusive();
      next_check = now + kExclusiveCheck;
    }
    EndStallIfDue(now);
    recorder.SetIdle(!protocol.Busy() && out.empty());

    const bool can_read = !stalled_until && (line.IsIdle() || line.Allowance(now) >= 1 || !line.Limited());
    pollfd fds[2] = {{pty.Master(), short((can_read ? POLLIN : 0) | (out.empty() ? 0 : POLLOUT)), 0},
                     {stop_fd.Get(), POLLIN, 0}};
    timespec timeout = Until(Deadline(now, can_read), now);
    int r = ::ppoll(fds, 2, &timeout, nullptr);
    if (r < 0 && errno != EINTR) {
      std::perror("kestrilo-devsim: ppoll");
      return;
    }
    if (r <= 0) continue;
    if (fds[1].revents) return;
    if (fds[0].revents & POLLIN) {
      if (!ReadHost()) return;
    } else if (fds[0].revents & (POLLHUP | POLLERR)) {
      // Only while no slave is open at all; our own slave makes this rare. Don't spin.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

std::vector<std::string> Simulator::Log() const { return state_->recorder.LogLines(); }
std::vector<std::vector<std::uint8_t>> Simulator::Sounds() const { return state_->recorder.Sounds(); }
std::vector<AddressCommand> Simulator::Addresses() const { return state_->recorder.Addresses(); }
std::vector<int> Simulator::Plays() const { return state_->recorder.Plays(); }
std::uint64_t Simulator::BytesReceived() const { return state_->recorder.Received(); }
std::uint64_t Simulator::BytesSent() const { return state_->recorder.Sent(); }
bool Simulator::HungUp() const { return state_->recorder.HungUp(); }

bool Simulator::WaitForLogSize(std::size_t lines, std::chrono::milliseconds timeout) const {
  return state_->recorder.WaitLogSize(lines, timeout);
}

bool Simulator::WaitForLogLine(const std::string& line, std::chrono::milliseconds timeout) const {
  return state_->recorder.WaitLogLine(line, timeout);
}

bool Simulator::WaitIdle(std::chrono::milliseconds timeout) const {
  // The kernel hands the host's bytes to the master asynchronously, so idleness must
  // hold across a short settling time before it counts.
  constexpr auto kSettle = std::chrono::milliseconds(20);
  const auto end = Clock::now() + timeout;
  auto idle_now = [&] {
    return state_->recorder.HungUp() || (state_->recorder.Idle() && state_->pty.Unread() == 0);
  };
  while (Clock::now() < end) {
    if (idle_now()) {
      const auto received = state_->recorder.Received();
      std::this_thread::sleep_for(kSettle);
      if (idle_now() && state_->recorder.Received() == received) return true;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return false;
}

}  // namespace devsim
