#include <gtest/gtest.h>

#include <limits>
#include <thread>

#include "platform/ticks.h"

using platform::GetTickCount;
using platform::SetTickCountOffset;
using platform::Sleep;
using platform::TicksSince;

TEST(Ticks, SleepLastsAtLeastItsTime) {
  const uint32_t start = GetTickCount();
  Sleep(120);
  EXPECT_GE(TicksSince(start), 120u);
  const uint32_t zero = GetTickCount();
  Sleep(0);
  EXPECT_LT(TicksSince(zero), 1000u);
}

TEST(Ticks, SpansStayRightAcrossTheWrap) {
  // Put the counter 50 ms before the wrap, then sleep past it.
  SetTickCountOffset(0);
  const uint32_t raw = GetTickCount();
  SetTickCountOffset(std::numeric_limits<uint32_t>::max() - 50 - raw);
  const uint32_t start = GetTickCount();
  EXPECT_GT(start, std::numeric_limits<uint32_t>::max() - 100);
  Sleep(150);
  EXPECT_LT(GetTickCount(), start);  // it did wrap
  EXPECT_GE(TicksSince(start), 150u);
  EXPECT_LT(TicksSince(start), 60000u);
  SetTickCountOffset(0);
}

TEST(Ticks, TimeUntilTicksEndsOnTheTickAcrossTheWrap) {
  // Waits of 1 and 3 ticks, the last of them right across the wrap.
  SetTickCountOffset(0);
  for (const uint32_t span : {1u, 3u}) {
    for (int i = 0; i < 20; ++i) {
      if (i == 10) SetTickCountOffset(std::numeric_limits<uint32_t>::max() - GetTickCount());
      const uint32_t start = GetTickCount();
      const auto left = platform::TimeUntilTicks(start, span);
      EXPECT_GT(left.count(), 0);
      EXPECT_LE(left, std::chrono::milliseconds(span));
      // Windows' sleep runs on another clock than the tick counter and may end a little early.
      for (auto l = left; l.count() > 0; l = platform::TimeUntilTicks(start, span)) std::this_thread::sleep_for(l);
      EXPECT_GE(TicksSince(start), span);
      EXPECT_EQ(platform::TimeUntilTicks(start, span).count(), 0);
    }
    SetTickCountOffset(0);
  }
}
