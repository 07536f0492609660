// The kestrilo-devsim program: first output line, signals, dump, exit codes.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "test_util.h"

extern char** environ;

using namespace devsim_test;

namespace {

struct Program {
  pid_t pid = -1;
  int out = -1;  // read end of its standard output
  int err = -1;
  explicit Program(std::vector<std::string> args) {
    int o[2], e[2];
    if (::pipe2(o, O_CLOEXEC) != 0 || ::pipe2(e, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, o[1], 1);
    posix_spawn_file_actions_adddup2(&fa, e[1], 2);
    args.insert(args.begin(), KESTRILO_DEVSIM_EXE);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid, KESTRILO_DEVSIM_EXE, &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(o[1]);
    ::close(e[1]);
    out = o[0];
    err = e[0];
  }
  ~Program() {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    ::close(out);
    ::close(err);
  }
  std::string ReadLine(int fd) {
    std::string line;
    char c;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 20000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  std::string ReadAll(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) s.append(buf, std::size_t(n));
    return s;
  }
  int Wait() {
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST(DevsimProgram, HelpAndBadOptions) {
  Program help({"--help"});
  EXPECT_NE(help.ReadAll(help.out).find("Usage: kestrilo-devsim"), std::string::npos);
  EXPECT_EQ(help.Wait(), 0);
  Program bad({"--baud", "300"});
  EXPECT_EQ(bad.ReadAll(bad.err),
            "kestrilo-devsim: bad value '300' for --baud (115200, 57600 or 9600)\nTry 'kestrilo-devsim --help'.\n");
  EXPECT_EQ(bad.Wait(), 2);
}

TEST(DevsimProgram, ServesUntilTermThenLeavesTheDump) {
  TTempDir dir;
  for (int sig : {SIGTERM, SIGINT}) {
    const std::string dump = dir / ("dump" + std::to_string(sig)), link = dir / ("tty" + std::to_string(sig));
    // An answer after the third sample tells that the samples have been taken.
    Program p({"--dump", dump, "--erase-ms", "10", "--link", link, "--ack-every", "3"});
    const std::string path = p.ReadLine(p.out);
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);
    {
      HostPort host(link, 115200);
      ASSERT_EQ(host.Write(B({'C'})), 0);
      ASSERT_EQ(host.Read(1, 10s), B({'+'}));
      ASSERT_EQ(host.Write(B({'D', 0x10, 0x20, 0x30})), 0);  // unfinished when the signal comes
      ASSERT_EQ(host.Read(1, 10s), B({0x10}));
    }
    ::kill(p.pid, sig);
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_EQ(ReadText(dump + "/session.log"), "C\nreply 2b\nD sound 1\nreply 10\n");
    EXPECT_EQ(ReadFile(dump + "/sound-1.wav"), ExpectedWave(B({0x10, 0x20, 0x30})));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  }
}

}  // namespace
