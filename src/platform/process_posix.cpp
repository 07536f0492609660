#include "platform/process.h"
#include "platform/spawn_posix.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

struct Fd {
  int fd = -1;
  ~Fd() { if (fd >= 0) ::close(fd); }
};

}  // namespace

ChildProcess::ChildProcess(const std::string& Program, const std::vector<std::string>& Args) {
  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) {
    outcome_.StartError = errno;
    return;
  }
  Fd read_end{pipefd[0]}, write_end{pipefd[1]};

  SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), write_end.fd, 2);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(Program.c_str()));
  for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int rc = ::posix_spawnp(&pid, Program.c_str(), actions.get(), nullptr, argv.data(), environ);
  if (rc != 0) {
    outcome_.StartError = rc;
    return;
  }
  pid_ = pid;
  outcome_.Started = true;
  err_fd_ = read_end.fd;
  read_end.fd = -1;
  ::fcntl(err_fd_, F_SETFL, ::fcntl(err_fd_, F_GETFL) | O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !finished_) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (err_fd_ >= 0) ::close(err_fd_);
}

void ChildProcess::DrainErrorOutput(int TimeoutMs) {
  if (err_fd_ < 0) {
    return;
  }
  pollfd p{static_cast<int>(err_fd_), POLLIN, 0};
  if (::poll(&p, 1, TimeoutMs) <= 0) return;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(err_fd_, buf, sizeof buf);
    if (n > 0) {
      outcome_.ErrorOutput.append(buf, static_cast<size_t>(n));
      if (outcome_.ErrorOutput.size() > MaxErrorOutput)
        outcome_.ErrorOutput.erase(0, outcome_.ErrorOutput.size() - MaxErrorOutput);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {  // every writer has gone
      ::close(err_fd_);
      err_fd_ = -1;
    }
    return;
  }
}

void ChildProcess::Reap(int Status) {
  finished_ = true;
  if (WIFEXITED(Status)) {
    outcome_.Exited = true;
    outcome_.ExitCode = WEXITSTATUS(Status);
  } else if (WIFSIGNALED(Status)) {
    outcome_.ExitCode = WTERMSIG(Status);
  }
  // Whatever the child wrote is in the pipe now. A grandchild may still hold the pipe
  // open, so take what is there and stop listening.
  DrainErrorOutput(0);
  if (err_fd_ >= 0) {
    ::close(err_fd_);
    err_fd_ = -1;
  }
}

bool ChildProcess::Running(int TimeoutMs) {
  if (pid_ <= 0 || finished_) return false;
  DrainErrorOutput(TimeoutMs);
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) {
    // A child that closed its standard error early would make poll() return at once.
    if (err_fd_ < 0 && TimeoutMs > 0) ::usleep(static_cast<useconds_t>(TimeoutMs) * 1000);
    return true;
  }
  if (r == pid_) {
    Reap(status);
  } else {
    finished_ = true;  // not ours to wait for any more
  }
  return false;
}


}  // namespace platform
