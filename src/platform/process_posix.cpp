#include "platform/process.h"

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

struct TFd {
  int fd = -1;
  ~TFd() { if (fd >= 0) ::close(fd); }
};

// posix_spawn's file actions, released on every way out.
class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&a_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&a_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &a_; }

 private:
  posix_spawn_file_actions_t a_;
};

// posix_spawn's attributes: a group of its own when asked.
class SpawnAttributes {
 public:
  explicit SpawnAttributes(bool OwnGroup) {
    posix_spawnattr_init(&a_);
    if (!OwnGroup) return;
    posix_spawnattr_setflags(&a_, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&a_, 0);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&a_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawnattr_t* get() { return &a_; }

 private:
  posix_spawnattr_t a_;
};

// Only for a child not reaped yet: until then its pid and group id are still its own.
void SignalChild(std::intptr_t Pid, bool Group, int Number) { ::kill(Group ? -pid_t(Pid) : pid_t(Pid), Number); }

}  // namespace

TChildProcess::TChildProcess(const std::string& Program, const std::vector<std::string>& Args,
                           const TChildOptions& Options) {
  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) {
    outcome_.StartError = errno;
    return;
  }
  TFd read_end{pipefd[0]}, write_end{pipefd[1]};

  SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  if (Options.Piped == TPipedStreams::Error)
    posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
  else
    posix_spawn_file_actions_adddup2(actions.get(), write_end.fd, 1);
  if (Options.Piped != TPipedStreams::Output) posix_spawn_file_actions_adddup2(actions.get(), write_end.fd, 2);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(Program.c_str()));
  for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  SpawnAttributes attributes(Options.OwnGroup);
  pid_t pid = -1;
  const auto spawn = Options.LookUpInPath ? ::posix_spawnp : ::posix_spawn;
  const int rc = spawn(&pid, Program.c_str(), actions.get(), attributes.get(), argv.data(), environ);
  if (rc != 0) {
    outcome_.StartError = rc;
    return;
  }
  pid_ = pid;
  ownGroup_ = Options.OwnGroup;
  outcome_.Started = true;
  pipe_ = read_end.fd;
  read_end.fd = -1;
  ::fcntl(int(pipe_), F_SETFL, ::fcntl(int(pipe_), F_GETFL) | O_NONBLOCK);
}

TChildProcess::~TChildProcess() {
  if (Started() && !ended_) {
    SignalChild(pid_, ownGroup_, SIGKILL);
    Ended(true);
  }
  ClosePipe();
}

long TChildProcess::Read(char* Buf, size_t Size) {
  if (!PipeOpen()) return 0;
  for (;;) {
    const ssize_t n = ::read(int(pipe_), Buf, Size);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) ClosePipe();  // every writer has gone
    return n < 0 ? -1 : long(n);
  }
}

void TChildProcess::ClosePipe() {
  if (!PipeOpen()) return;
  ::close(int(pipe_));
  pipe_ = -1;
}

bool TChildProcess::Ended(bool Wait) {
  if (!Started() || ended_) return true;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_t(pid_), &status, Wait ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  ended_ = true;  // on an error too: not ours to wait for any more
  if (r == pid_t(pid_) && WIFEXITED(status)) {
    outcome_.Exited = true;
    outcome_.ExitCode = WEXITSTATUS(status);
  } else if (r == pid_t(pid_) && WIFSIGNALED(status)) {
    outcome_.ExitCode = WTERMSIG(status);
  }
  return true;
}

void TChildProcess::Interrupt() {
  if (Started() && !ended_) SignalChild(pid_, ownGroup_, SIGINT);
}

void TChildProcess::InterruptLeader() {
  if (Started() && !ended_) SignalChild(pid_, false, SIGINT);
}

void TChildProcess::Kill() {
  if (Started() && !ended_) SignalChild(pid_, ownGroup_, SIGKILL);
}

void WaitForOutput(const std::vector<TChildProcess*>& Children, int TimeoutMs) {
  std::vector<pollfd> fds;
  for (const TChildProcess* c : Children)
    if (c->PipeOpen()) fds.push_back({int(c->pipe_), POLLIN, 0});
  ::poll(fds.data(), fds.size(), TimeoutMs);
}

}  // namespace platform
