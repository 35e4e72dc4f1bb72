#include "ui/tick_schedule.h"

#include <gtest/gtest.h>

namespace skelvar::ui {
namespace {

TEST(TickSchedule, LateWakeUpsDoNotShiftLaterTicks) {
  TickSchedule s(10.0, 0.05);
  EXPECT_DOUBLE_EQ(s.next(), 10.05);
  EXPECT_FALSE(s.Due(10.049));
  // Each tick runs up to 4 ms late; the deadlines stay on the 50 ms grid from the start.
  for (int k = 1; k <= 1000; ++k) {
    const double deadline = 10.0 + k * 0.05;
    EXPECT_NEAR(s.next(), deadline, 1e-9) << "tick " << k;
    const double now = deadline + 0.004 * (k % 3) / 2;
    ASSERT_TRUE(s.Due(now));
    s.Advance(now);
  }
  EXPECT_NEAR(s.next(), 10.0 + 1001 * 0.05, 1e-9);
}

TEST(TickSchedule, AStallRunsOneTickThenWaitsForTheNextBoundary) {
  TickSchedule s(0.0, 0.1);
  // The tick due at 0.1 runs at 0.37: the ticks of 0.2 and 0.3 are dropped, the next is 0.4.
  s.Advance(0.37);
  EXPECT_NEAR(s.next(), 0.4, 1e-9);
  EXPECT_FALSE(s.Due(0.39));
  // Just past a boundary: that boundary has been served, the next one is a period later.
  s.Advance(0.6 + 1e-6);
  EXPECT_NEAR(s.next(), 0.7, 1e-9);
  // On time: exactly one period on.
  s.Advance(0.7);
  EXPECT_NEAR(s.next(), 0.8, 1e-9);
}

}  // namespace
}  // namespace skelvar::ui
