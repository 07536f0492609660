// The time left that the window's title and the cli's status line both show.
#include <gtest/gtest.h>

#include "device/TimeLeft.h"

TEST(TimeLeft, UnknownUntilMeasuredThenAtTheRateSoFar) {
  EXPECT_EQ(SecondsLeft(0, 100, 5, 1), -1) << "nothing sent";
  EXPECT_EQ(SecondsLeft(10, 100, 0.5, 1), -1) << "measured too briefly";
  EXPECT_DOUBLE_EQ(SecondsLeft(25, 100, 2, 1), 6);
  EXPECT_EQ(SecondsLeft(100, 100, 0, 1), 0) << "done, however soon";
}

TEST(TimeLeft, ClockRoundsUpAndShowsHoursFromAnHourOn) {
  EXPECT_EQ(WordClock(0), "0:00");
  EXPECT_EQ(WordClock(2.0000001), "0:02");
  EXPECT_EQ(WordClock(0.2), "0:01");
  EXPECT_EQ(WordClock(161), "2:41");
  EXPECT_EQ(WordClock(3599.5), "1:00:00");
  EXPECT_EQ(WordClock(3761), "1:02:41");
}
