// The window's timers in real time, on an injected clock: no drift, no burst after a stall,
// nothing while hidden, the fade before the game's step and frames placed evenly between ticks.
#include "tick/live_schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace skelvar::tick {
namespace {

Timer On(int32_t ms) {
  return {ms, true};
}
Timer Off(int32_t ms) {
  return {ms, false};
}

TEST(LiveSchedule, LateWakeUpsDoNotShiftLaterTicksAndAStallRunsOneTick) {
  Periodic s(10000.0, 50.0);
  EXPECT_DOUBLE_EQ(s.Next(), 10050.0);
  EXPECT_FALSE(s.Due(10049.0));
  // Each tick runs up to 4 ms late; the deadlines stay on the 50 ms grid from the start.
  for (int k = 1; k <= 1000; ++k) {
    const double deadline = 10000.0 + k * 50.0;
    ASSERT_DOUBLE_EQ(s.Next(), deadline) << "tick " << k;
    const double now = deadline + 4.0 * (k % 3) / 2;
    ASSERT_TRUE(s.Due(now));
    s.Advance(now);
  }
  EXPECT_DOUBLE_EQ(s.Next(), 10000.0 + 1001 * 50.0);

  Periodic p(0.0, 100.0);
  // The tick due at 100 runs at 370: the ticks of 200 and 300 are dropped, the next is 400.
  p.Advance(370.0);
  EXPECT_DOUBLE_EQ(p.Next(), 400.0);
  EXPECT_FALSE(p.Due(399.0));
  // Just past a boundary: that boundary has been served, the next one is a period later.
  p.Advance(600.001);
  EXPECT_DOUBLE_EQ(p.Next(), 700.0);
  // On time: exactly one period on.
  p.Advance(700.0);
  EXPECT_DOUBLE_EQ(p.Next(), 800.0);
}

TEST(LiveSchedule, TheFadeRunsBeforeTheStepAndSwitchesStartOrStopATimer) {
  LiveSchedule s;
  EXPECT_FALSE(s.NextDeadline());
  EXPECT_FALSE(s.NextDue(1e9));
  s.Follow(On(100), On(50), 0.0);
  EXPECT_DOUBLE_EQ(*s.NextDeadline(), 50.0);
  EXPECT_FALSE(s.NextDue(49.9));
  EXPECT_EQ(s.NextDue(50.0), TimerId::Game);
  s.Fired(TimerId::Game, 50.0);
  EXPECT_DOUBLE_EQ(*s.NextDeadline(), 100.0);
  // Both due: the fade first, then the step, and nothing after the step.
  EXPECT_EQ(s.NextDue(100.0), TimerId::Fade);
  EXPECT_EQ(s.NextDue(100.0, TimerId::Fade), TimerId::Game);
  EXPECT_FALSE(s.NextDue(100.0, TimerId::Game));
  s.Fired(TimerId::Fade, 100.0);
  s.Fired(TimerId::Game, 100.0);
  // A tick that waits a whole stall of 370 ms runs once, and the next waits for its boundary.
  EXPECT_EQ(s.NextDue(470.0), TimerId::Fade);
  s.Fired(TimerId::Fade, 470.0);
  s.Fired(TimerId::Game, 470.0);
  EXPECT_DOUBLE_EQ(s.Deadline(TimerId::Fade), 500.0);
  EXPECT_DOUBLE_EQ(s.Deadline(TimerId::Game), 500.0);
  EXPECT_FALSE(s.NextDue(499.0));

  // Switched off, the fade is never due; switched on again it starts a fresh period.
  s.Follow(Off(100), On(50), 510.0);
  EXPECT_FALSE(s.Running(TimerId::Fade));
  EXPECT_EQ(s.NextDue(1000.0), TimerId::Game);
  s.Follow(On(100), On(50), 520.0);
  EXPECT_DOUBLE_EQ(s.Deadline(TimerId::Fade), 620.0);
  // A running timer keeps its schedule, whatever its interval says meanwhile.
  s.Follow(On(100), On(80), 530.0);
  EXPECT_DOUBLE_EQ(s.Deadline(TimerId::Game), 500.0);
  // A timer with no interval to wait does not run.
  s.Follow(On(0), Off(50), 540.0);
  EXPECT_FALSE(s.NextDeadline());
}

TEST(LiveSchedule, AHiddenPageRunsNothingAndStartsAfreshWhenShown) {
  LiveSchedule s;
  s.Follow(On(100), On(50), 1000.0);
  s.Fired(TimerId::Game, 1050.0);
  EXPECT_DOUBLE_EQ(s.Fraction(1075.0), 0.5);
  s.Pause();
  EXPECT_FALSE(s.Running(TimerId::Fade));
  EXPECT_FALSE(s.Running(TimerId::Game));
  EXPECT_FALSE(s.NextDeadline());
  EXPECT_FALSE(s.NextDue(60000.0));
  // A tick fired while hidden (a handler already on its way) changes nothing.
  s.Fired(TimerId::Game, 2000.0);
  EXPECT_DOUBLE_EQ(s.Fraction(1075.0), 0.5);
  // Shown a minute later: one period from that moment, no burst for the minute away.
  s.Follow(On(100), On(50), 61000.3);
  EXPECT_DOUBLE_EQ(*s.NextDeadline(), 61050.3);
  EXPECT_DOUBLE_EQ(s.Deadline(TimerId::Fade), 61100.3);
  EXPECT_FALSE(s.NextDue(61050.2));
  // Frames before the first tick after it show the last tick's places whole.
  EXPECT_DOUBLE_EQ(s.Fraction(61020.0), 1.0);
  EXPECT_DOUBLE_EQ(LiveSchedule{}.Fraction(5.0), 1.0);
}

// An actor moving 7 units a tick is drawn between its last two ticks' places by the fraction.
// Ticks wake up to 30 ms late, but each frame first runs the ticks due by its time, as the
// frontends do: frames at a steady 60 a second then step exactly evenly.
TEST(LiveSchedule, FramesBetweenLateTicksStepEvenly) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> late(0.0, 30.0);
  LiveSchedule s;
  s.Follow(Off(100), On(50), 0.0);
  int64_t ticks = 0;
  double wake = 50.0 + late(random);
  const double frame = 1000.0 / 60.0;
  std::vector<double> places;
  for (int f = 1; f <= 600; ++f) {
    const double now = f * frame;
    // The timer's own wake-ups, late, and the catch-up before the frame.
    for (double t : {wake, now}) {
      if (t > now) continue;
      if (s.NextDue(t) == TimerId::Game) {
        ++ticks;
        s.Fired(TimerId::Game, t);
        wake = s.Deadline(TimerId::Game) + late(random);
      }
    }
    const double a = s.Fraction(now);
    places.push_back(7.0 * static_cast<double>(ticks - 1) + 7.0 * a);
  }
  EXPECT_EQ(ticks, 200);
  for (size_t i = 4; i < places.size(); ++i) {
    ASSERT_NEAR(places[i] - places[i - 1], 7.0 * frame / 50.0, 1e-9) << "frame " << i;
  }
}

}  // namespace
}  // namespace skelvar::tick
