#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/exe_path.h"
#include "platform/temp_dir.h"

namespace fs = std::filesystem;

TEST(TempDir, PrivateFolderUnderTmpdirRemovedWithItsFiles) {
  const fs::path base = fs::temp_directory_path() / ("kestrilo-tempdir-test-" + std::to_string(getpid()));
  fs::create_directories(base);
  setenv("TMPDIR", base.c_str(), 1);
  std::string path;
  {
    platform::TTempDir a, b;
    path = a.Path();
    ASSERT_EQ(path.back(), '/');
    EXPECT_EQ(path.rfind(base.string() + "/kestrilo-", 0), 0u) << path;
    EXPECT_NE(a.Path(), b.Path());
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::ofstream(path + "temp0.dat") << "x";
    fs::create_directory(path + "sub");
    std::ofstream(path + "sub/f") << "y";
  }
  EXPECT_FALSE(fs::exists(path));
  unsetenv("TMPDIR");
  fs::remove_all(base);
}

TEST(TempDir, UnusableBaseThrows) {
  setenv("TMPDIR", "/nonexistent/kestrilo", 1);
  EXPECT_THROW(platform::TTempDir(), std::system_error);
  unsetenv("TMPDIR");
}

TEST(TempDir, RunFolderIsOneAndGoneAtProgramEnd) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(fds[0]);
    const std::string& p = platform::RunTempDir();
    const bool same = (&p == &platform::RunTempDir()) && p == platform::RunTempDir();
    // The run's lock is in place under its name, and held: another open of it cannot take it.
    const int lock = ::open((p + ".run-lock").c_str(), O_RDWR);
    const bool held = lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0 && !fs::exists(p + ".run-lock.new");
    if (lock >= 0) close(lock);
    std::ofstream(p + "temp0.wav") << "RIFF";
    const std::string msg = (same ? "1" : "0") + std::string(held ? "1" : "0") + p;
    if (write(fds[1], msg.data(), msg.size()) < 0) _exit(3);
    close(fds[1]);
    exit(0);  // a normal end runs the static destructors
  }
  close(fds[1]);
  std::string got;
  char buf[512];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) got.append(buf, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_GT(got.size(), 2u);
  EXPECT_EQ(got[0], '1');
  EXPECT_EQ(got[1], '1');
  EXPECT_FALSE(fs::exists(got.substr(2))) << got;
}

TEST(ExePath, IsThisTestProgram) {
  const std::string exe = platform::ExecutablePath();
  EXPECT_EQ(fs::path(exe), fs::canonical("/proc/self/exe"));
  const std::string dir = platform::ExecutableDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(dir + fs::path(exe).filename().string(), exe);
}

// A folder whose run has died (its lock is free) goes; one whose run lives, or that has no
// lock yet (none, or one still being taken under its other name), stays.
TEST(TempDir, StaleRunFoldersGoLiveOnesStay) {
  const fs::path base = fs::temp_directory_path() / ("kestrilo-stale-test-" + std::to_string(getpid()));
  fs::create_directories(base / "kestrilo-dead01");
  fs::create_directories(base / "kestrilo-live01");
  fs::create_directories(base / "kestrilo-young1");
  fs::create_directories(base / "kestrilo-young2");
  std::ofstream(base / "kestrilo-young2" / ".run-lock.new").put('x');
  std::ofstream(base / "kestrilo-dead01" / ".run-lock").put('x');
  std::ofstream(base / "kestrilo-dead01" / "temp0.dat").put('x');
  std::ofstream(base / "kestrilo-live01" / ".run-lock").put('x');
  const int live = ::open((base / "kestrilo-live01" / ".run-lock").c_str(), O_RDWR);
  ASSERT_EQ(::flock(live, LOCK_EX | LOCK_NB), 0);
  platform::RemoveStaleRunDirs(base.string());
  EXPECT_FALSE(fs::exists(base / "kestrilo-dead01"));
  EXPECT_TRUE(fs::exists(base / "kestrilo-live01"));
  EXPECT_TRUE(fs::exists(base / "kestrilo-young1"));
  EXPECT_TRUE(fs::exists(base / "kestrilo-young2"));
  ::close(live);
  fs::remove_all(base);
}
