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
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, Program.c_str(), actions.get(), nullptr, argv.data(), environ);
  ::close(pipefd[1]);
  if (rc != 0) {
    ::close(pipefd[0]);
    throw std::system_error(rc, std::generic_category(), "cannot start " + Program);
  }
  process_ = pid;
  output_ = pipefd[0];
  ::fcntl(pipefd[0], F_SETFL, ::fcntl(pipefd[0], F_GETFL) | O_NONBLOCK);
}

TChildPipe::~TChildPipe() {
  if (!ended_) {
    ::kill(pid_t(process_), SIGKILL);
    Reap(true);
  }
  if (OutputOpen()) CloseOutput();
}

long TChildPipe::ReadAvailable(char* Buf, size_t Size) {
  for (;;) {
    const ssize_t n = ::read(int(output_), Buf, Size);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : long(n);
  }
}

void TChildPipe::CloseOutput() {
  ::close(int(output_));
  output_ = -1;
}

void TChildPipe::Interrupt() {
  if (!ended_) ::kill(pid_t(process_), SIGINT);
}

bool TChildPipe::Reap(bool Block) {
  if (ended_) return true;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_t(process_), &status, Block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  ended_ = true;
  exited_ = r == pid_t(process_) && WIFEXITED(status);
  code_ = exited_ ? WEXITSTATUS(status) : -1;
  return true;
}

void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs) {
  std::vector<pollfd> fds;
  for (const TChildPipe* c : Children)
    if (c->OutputOpen()) fds.push_back({int(c->output_), POLLIN, 0});
  ::poll(fds.data(), fds.size(), TimeoutMs);
}

}  // namespace cli
