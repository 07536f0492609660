// Where the program keeps its state: the XDG rules, with the home folder as the fallback.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/state_dir.h"

TEST(StateDir, XdgStateHomeWhenAbsoluteElseTheHomeFolder) {
  setenv("HOME", "/home/ada", 1);
  setenv("XDG_STATE_HOME", "/var/state", 1);
  EXPECT_EQ(platform::UserStateDir(), "/var/state/kestrilo");
  setenv("XDG_STATE_HOME", "relative/state", 1);  // the rules ignore it
  EXPECT_EQ(platform::UserStateDir(), "/home/ada/.local/state/kestrilo");
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(platform::UserStateDir(), "/home/ada/.local/state/kestrilo");
}
