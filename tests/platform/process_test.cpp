#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/process.h"

using platform::TChildProcess;
using platform::LastLine;
using platform::RunAndWait;

TEST(Process, ExitCodeAndErrorOutputAreKept) {
  int pumps = 0;
  const auto o = RunAndWait("sh", {"-c", "sleep 0.2; echo first >&2; echo 'last words' >&2; exit 3"},
                            [&] { ++pumps; });
  EXPECT_TRUE(o.Started);
  EXPECT_TRUE(o.Exited);
  EXPECT_EQ(o.ExitCode, 3);
  EXPECT_EQ(o.ErrorOutput, "first\nlast words\n");
  EXPECT_GT(pumps, 0) << "the caller's pump must run while the program runs";
}

TEST(Process, ArgumentsArriveUntouchedWithoutAShell) {
  // $HOME, quotes, spaces, a glob and a placeholder-like text must reach the program as is.
  const auto o = RunAndWait("sh", {"-c", "printf '%s|' \"$@\" >&2", "sh", "a b", "\"q\"", "%DST%", "$HOME", "*", ""},
                            nullptr);
  EXPECT_EQ(o.ExitCode, 0);
  EXPECT_EQ(o.ErrorOutput, "a b|\"q\"|%DST%|$HOME|*||");
}

TEST(Process, StandardInputIsEmpty) {
  // With an inherited terminal or pipe, cat would wait for input.
  const auto o = RunAndWait("sh", {"-c", "wc -c >&2"}, nullptr);
  EXPECT_EQ(o.ExitCode, 0);
  EXPECT_EQ(o.ErrorOutput.find_first_not_of(" "), o.ErrorOutput.find('0'));
  EXPECT_EQ(LastLine(o.ErrorOutput).back(), '0');
}

TEST(Process, StandardOutputIsNotMixedIntoErrorOutput) {
  const auto o = RunAndWait("sh", {"-c", "echo out; echo err >&2"}, nullptr);
  EXPECT_EQ(o.ErrorOutput, "err\n");
}

TEST(Process, MissingProgramReturnsAtOnceWithItsError) {
  int pumps = 0;
  const auto o = RunAndWait("/nonexistent/ffmpeg", {"-y"}, [&] { ++pumps; });
  EXPECT_FALSE(o.Started);
  EXPECT_EQ(o.StartError, ENOENT);
  EXPECT_EQ(pumps, 0);
  const auto p = RunAndWait("kestrilo-no-such-program-in-path", {}, nullptr);
  EXPECT_FALSE(p.Started);
  EXPECT_EQ(p.StartError, ENOENT);
}

TEST(Process, SignalEndIsReported) {
  const auto o = RunAndWait("sh", {"-c", "kill -9 $$"}, nullptr);
  EXPECT_TRUE(o.Started);
  EXPECT_FALSE(o.Exited);
  EXPECT_EQ(o.ExitCode, 9);
}

TEST(Process, LongErrorOutputKeepsItsTail) {
  const auto o = RunAndWait("sh", {"-c", "head -c 100000 /dev/zero | tr '\\0' x >&2; echo >&2; echo END >&2; exit 1"}, nullptr);
  EXPECT_EQ(o.ExitCode, 1);
  EXPECT_LE(o.ErrorOutput.size(), TChildProcess::MaxErrorOutput);
  EXPECT_TRUE(LastLine(o.ErrorOutput) == "END");
}

TEST(Process, GrandchildHoldingErrorPipeDoesNotHoldTheWait) {
  const auto o = RunAndWait("sh", {"-c", "echo bye >&2; sleep 30 >&2 & exit 0"}, nullptr);
  EXPECT_EQ(o.ExitCode, 0);
  EXPECT_EQ(o.ErrorOutput, "bye\n");
}

TEST(Process, DestroyingARunningChildEndsIt) {
  // Must neither hang for 30 s nor leave the child behind unreaped.
  {
    TChildProcess c("sleep", {"30"});
    ASSERT_TRUE(c.Started());
    EXPECT_TRUE(c.Running(10));
  }
  const auto o = RunAndWait("sh", {"-c", "exit 0"}, nullptr);
  EXPECT_EQ(o.ExitCode, 0);
}

// Gone, or a zombie its new parent has not reaped yet.
bool Ended(pid_t Pid) {
  std::ifstream stat("/proc/" + std::to_string(Pid) + "/stat");
  std::string pid, name, state;
  return !(stat >> pid >> name >> state) || state == "Z";
}

TEST(Process, AChildInAGroupOfItsOwnLeadsItAndTakesItAlongWhenEnded) {
  pid_t shell = 0, sleeper = 0;
  {
    TChildProcess c("sh", {"-c", "sleep 30 & echo $$ $! >&2; wait"}, {.OwnGroup = true});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (c.Outcome().ErrorOutput.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline)
      c.Running(20);
    std::istringstream(c.Outcome().ErrorOutput) >> shell >> sleeper;
    ASSERT_GT(sleeper, 0) << c.Outcome().ErrorOutput;
    EXPECT_EQ(::getpgid(shell), shell);  // out of this process's group, which a terminal's Ctrl+C reaches
    EXPECT_EQ(::getpgid(sleeper), shell);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!Ended(sleeper) && std::chrono::steady_clock::now() < deadline) ::usleep(10000);
  EXPECT_TRUE(Ended(sleeper)) << "the encoder's own children go with it";
}

TEST(Process, LastLineSkipsBlankLinesAndProgressReturns) {
  EXPECT_EQ(LastLine(""), "");
  EXPECT_EQ(LastLine("\n\n  \n"), "");
  EXPECT_EQ(LastLine("one"), "one");
  EXPECT_EQ(LastLine("a\nb\n\n"), "b");
  EXPECT_EQ(LastLine("size=1kB\rsize=4kB\r\n"), "size=4kB");
  EXPECT_EQ(LastLine("x: No such file or directory\n"), "x: No such file or directory");
}
