#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

#include "cli/ChildPipe.h"
#include "platform/spawn_posix.h"
#include "platform/ticks.h"

extern char** environ;

namespace cli {
TChildPipe::TChildPipe(const std::string& Program, const std::vector<std::string>& Args, bool MergeErrors) {
  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  platform::SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), pipefd[1], 1);
  if (MergeErrors) posix_spawn_file_actions_adddup2(actions.get(), pipefd[1], 2);
  std::vector<char*> argv{const_cast<char*>(Program.c_str())};
  for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int rc = ::posix_spawn(&pid_, Program.c_str(), actions.get(), nullptr, argv.data(), environ);
  ::close(pipefd[1]);
  if (rc != 0) {
    ::close(pipefd[0]);
    throw std::system_error(rc, std::generic_category(), "cannot start " + Program);
  }
  fd_ = pipefd[0];
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

TChildPipe::~TChildPipe() {
  if (!ended_) {
    ::kill(pid_, SIGKILL);
    Reap(true);
  }
  if (fd_ >= 0) ::close(fd_);
}

void TChildPipe::ReadLines(const std::function<void(const std::string&)>& Line) {
  char buf[4096];
  while (fd_ >= 0) {
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return;  // nothing more for now
    if (n == 0) {
      ::close(fd_);
      fd_ = -1;
      if (!partial_.empty()) Line(partial_);
      partial_.clear();
      return;
    }
    partial_.append(buf, size_t(n));
    for (size_t end; (end = partial_.find('\n')) != std::string::npos; partial_.erase(0, end + 1))
      Line(partial_.substr(0, end));
  }
}

bool TChildPipe::Finish(int TimeoutMs, const std::function<void(const std::string&)>& Line) {
  const uint32_t start = platform::GetTickCount();
  for (;;) {
    ReadLines(Line);
    if (fd_ < 0 && Reap(false)) return true;
    const int left = TimeoutMs - int(platform::TicksSince(start));
    if (left <= 0) return false;
    if (fd_ >= 0)
      WaitForOutput({this}, std::min(left, 100));
    else
      platform::Sleep(10);
  }
}

void TChildPipe::Interrupt() {
  if (!ended_) ::kill(pid_, SIGINT);
}

bool TChildPipe::Reap(bool Block) {
  if (ended_) return true;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, Block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  ended_ = true;
  exited_ = r == pid_ && WIFEXITED(status);
  code_ = exited_ ? WEXITSTATUS(status) : -1;
  return true;
}

void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs) {
  std::vector<pollfd> fds;
  for (const TChildPipe* c : Children)
    if (c->OutputFd() >= 0) fds.push_back({c->OutputFd(), POLLIN, 0});
  ::poll(fds.data(), fds.size(), TimeoutMs);
}

}  // namespace cli
