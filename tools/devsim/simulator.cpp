#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "devsim/devsim.h"
#include "line_rate.h"
#include "protocol.h"
#include "pty.h"
#include "recorder.h"

namespace devsim {

using Clock = std::chrono::steady_clock;

struct Simulator::State {
  State(const Options& options) : recorder(options.dump_dir), protocol(options, recorder) {}

  void Serve(const Options& options);
  void Hangup();

  Pty pty;
  Recorder recorder;
  Protocol protocol;
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
  if (o.silent && o.garbage) throw std::invalid_argument("silent and garbage exclude each other");
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
  slave_path_ = state_->pty.SlavePath();
  state_->stop_fd = UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (state_->stop_fd.Get() < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  if (!options_.link_path.empty()) {
    MakeLink(options_.link_path, slave_path_);
    state_->link_path = options_.link_path;
  }
  try {
    state_->thread = std::thread([s = state_.get(), o = options_] { s->Serve(o); });
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
  recorder.Log("hangup after " + std::to_string(protocol.DataBytes()) + " data bytes");
}

void Simulator::State::Serve(const Options& options) {
  // Signals are for the program's main thread.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);

  LineRate line(options.line_rate ? options.baud / 10.0 : 0.0);
  std::vector<std::uint8_t> out;  // reply bytes due but not yet written
  std::uint8_t buf[256];
  constexpr auto kExclusiveCheck = std::chrono::milliseconds(50);
  auto next_check = Clock::now();
  bool write_failed_reported = false;

  for (;;) {
    auto now = Clock::now();
    protocol.Tick(now);
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
    if (!out.empty()) {
      ssize_t n = ::write(pty.Master(), out.data(), out.size());
      if (n > 0) {
        out.erase(out.begin(), out.begin() + n);
      } else if (n < 0 && errno != EAGAIN && errno != EINTR && !write_failed_reported) {
        write_failed_reported = true;
        std::fprintf(stderr, "kestrilo-devsim: cannot answer: %s\n", std::strerror(errno));
        out.clear();
      }
    }
    if (now >= next_check) {
      pty.ReleaseStaleExclusive();
      next_check = now + kExclusiveCheck;
    }
    recorder.SetIdle(!protocol.Busy() && out.empty());

    // Idle line: wait for the host's next byte. Busy line: wait for the line to carry
    // a few more bytes (one wake-up per byte would cost too much CPU).
    const bool can_read = line.IsIdle() || line.Allowance(now) >= 1 || !line.Limited();
    Clock::time_point deadline = next_check;
    if (auto d = protocol.NextDue()) deadline = std::min(deadline, *d);
    if (!can_read) deadline = std::min(deadline, line.ReadyAt(std::clamp<std::size_t>(pty.Unread(), 1, 4)));
    pollfd fds[2] = {{pty.Master(), short((can_read ? POLLIN : 0) | (out.empty() ? 0 : POLLOUT)), 0},
                     {stop_fd.Get(), POLLIN, 0}};
    timespec timeout = Until(deadline, now);
    int r = ::ppoll(fds, 2, &timeout, nullptr);
    if (r < 0 && errno != EINTR) {
      std::perror("kestrilo-devsim: ppoll");
      return;
    }
    if (r <= 0) continue;
    if (fds[1].revents) return;
    if (fds[0].revents & POLLIN) {
      recorder.SetIdle(false);
      now = Clock::now();
      line.Resume(now);
      const std::size_t want = std::min(sizeof buf, line.Allowance(now));
      if (want == 0) continue;
      ssize_t n = ::read(pty.Master(), buf, want);
      if (n < 0 && errno == EAGAIN) line.Idle();
      if (n > 0) {
        line.Take(std::size_t(n));
        if (std::size_t(n) < want) line.Idle();
        recorder.CountReceived(std::size_t(n));
        const unsigned host_baud = pty.HostBaud();
        for (ssize_t i = 0; i < n; ++i) {
          if (host_baud == options.baud)
            protocol.Receive(buf[i], now);
          else
            protocol.Ignore(buf[i], host_baud);
          if (protocol.HangupRequested()) {
            Hangup();
            return;
          }
        }
      }
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
