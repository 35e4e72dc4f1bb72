// The tick order every headless run shares: the clock, the tick's own events, then the timers.
#include "tick/run_tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "game/game_main.h"
#include "headless_game.h"
#include "tick/state_json.h"
#include "tick/virtual_clock.h"

namespace skelvar::tick {
namespace {

constexpr int VkEscape = 27;
constexpr int VkRight = 39;

struct Headless : testing::HeadlessGame {
  Headless() : HeadlessGame(7) {}
};

TEST(RunTick, FadeEverySecondTickAndTheClockAtTheTick) {
  Headless run;
  NoEvents none;
  ASSERT_EQ(run.game.scene.window.opacity, 0);
  ASSERT_TRUE(run.game.scene.timOpen.enabled);
  for (int64_t k = 1; k <= 30; ++k) {
    const TickReport report = run.Tick(k, none);
    EXPECT_EQ(report.delivered, 0);
    EXPECT_DOUBLE_EQ(run.clock.MonotonicSeconds(), k * 0.05) << "tick " << k;
    // 20 more each second tick, until full at tick 26 when the fade's timer stops.
    const bool fading = k % 2 == 0 && k <= 26;
    EXPECT_EQ(report.faded, fading) << "tick " << k;
    EXPECT_EQ(run.game.scene.window.opacity, k >= 26 ? 255 : (k / 2) * 20) << "tick " << k;
  }
  EXPECT_FALSE(run.game.scene.timOpen.enabled);
  EXPECT_FALSE(run.game.scene.window.opacityEnabled);
}

// A fade whose interval is not a whole number of ticks runs at the first tick on or after each of
// its own boundaries, whole periods from the start: by tick k it has run k * 50 / 75 times,
// rounded down, with no drift and never twice in one tick; one of three ticks runs at 150 ms.
TEST(RunTick, AFadeOnItsOwnBoundariesWhateverItsInterval) {
  for (const int32_t fadeMs : {75, 150}) {
    Headless run;
    NoEvents none;
    run.game.scene.timOpen.intervalMs = fadeMs;
    int64_t fades = 0;
    for (int64_t k = 1; k <= 60; ++k) {
      const TickReport report = run.Tick(k, none);
      fades += report.faded ? 1 : 0;
      // The opacity is full after 13 fades, when the fade's timer stops.
      EXPECT_EQ(fades, std::min<int64_t>(13, k * 50 / fadeMs)) << fadeMs << " ms, tick " << k;
    }
    EXPECT_EQ(run.game.scene.window.opacity, 255);
    EXPECT_FALSE(run.game.scene.timOpen.enabled);
  }
}

TEST(RunTick, TakesOnlyItsOwnEventsAndNothingOnceClosed) {
  Headless run;
  const std::array<TimedEvent, 5> events = {{
      {1, EventKind::Resize, 800, 500},
      {1, EventKind::MouseMove, 300, 200},
      {3, EventKind::KeyDown, VkEscape, 0},
      {3, EventKind::MouseMove, 10, 20},
      {4, EventKind::Resize, 640, 400},
  }};
  EventSpan feed(events);

  TickReport report = run.Tick(1, feed);
  EXPECT_EQ(report.delivered, 2);
  EXPECT_EQ(run.game.scene.window.clientWidth, 800);
  EXPECT_EQ(run.game.scene.window.clientHeight, 500);
  EXPECT_EQ(run.game.GameState, StateMenu);
  ASSERT_NE(feed.Peek(), nullptr);
  EXPECT_EQ(feed.Peek()->tick, 3);

  report = run.Tick(2, feed);
  EXPECT_EQ(report.delivered, 0);
  EXPECT_EQ(feed.Peek()->tick, 3);

  // Esc at the menu ends the program on the game timer's step, after both of the tick's events.
  report = run.Tick(3, feed);
  EXPECT_EQ(report.delivered, 2);
  EXPECT_TRUE(run.game.Closed());

  report = run.Tick(4, feed);
  EXPECT_EQ(report.delivered, 0);
  EXPECT_FALSE(report.faded);
  EXPECT_EQ(run.game.scene.window.clientWidth, 800);
  ASSERT_NE(feed.Peek(), nullptr);
  EXPECT_EQ(feed.Peek()->tick, 4);
}

// Two runs of the same events give the same state, line for line, and a different seed does not.
TEST(RunTick, SameEventsSameStateLines) {
  std::array<TimedEvent, 64> events{};
  for (size_t i = 0; i < events.size(); ++i) {
    const int64_t tick = 30 + static_cast<int64_t>(i) * 5;
    events[i] = i % 2 == 0 ? TimedEvent{tick, EventKind::KeyDown, i % 4 == 0 ? 32 : VkRight, 0}
                           : TimedEvent{tick, EventKind::KeyUp, 32, 0};
  }
  const auto lines = [&](uint32_t seed) {
    testing::HeadlessGame run(seed);
    TGameMain& game = run.game;
    EventSpan feed(events);
    std::string all, line;
    for (int64_t k = 1; k <= 400; ++k) {
      run.Tick(k, feed);
      WriteStateJson(game, k, line);
      all += line;
      all += '\n';
    }
    return all;
  };
  const std::string first = lines(3);
  EXPECT_EQ(first, lines(3));
  EXPECT_NE(first, lines(4));
  EXPECT_NE(first.find("\"tick\":400"), std::string::npos);
}

}  // namespace
}  // namespace skelvar::tick
