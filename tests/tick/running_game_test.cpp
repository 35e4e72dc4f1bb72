// The running game as a frontend drives it in real time: input at uneven moments, timers woken
// late, keys held by touch and a controller repeating by themselves. Each run's record, played back
// alone on the virtual clock, gives the same game at every game tick of the run.
#include "tick/running_game.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "run/ghost.h"
#include "tick/run_tick.h"
#include "tick/virtual_clock.h"

namespace skelvar::tick {
namespace {

// A clock the test moves by hand, as the machine's clock moves between a frontend's wake-ups.
class HandClock final : public Clock {
 public:
  double ms = 0.0;
  double LocalDateTimeDays() override { return 46000.0 + ms / 86400000.0; }
  double MonotonicSeconds() override { return ms / 1000.0; }
  std::optional<uint64_t> PerformanceCounter() override { return 4242; }
  uint32_t TickCountMs() override { return static_cast<uint32_t>(ms); }
};

// What play is made of, the label's text among it: the clear time counts real seconds in the window
// and is shown again from the record's clear time.
std::string Play(const TGameMain& g) {
  std::string s = std::string(g.scene.lblMsg.text.view()) + " " + std::to_string(g.GameState) + " " +
                  std::to_string(g.TickCount) + " " + std::to_string(g.HitIndex) + " " +
                  std::to_string(g.CameraX) + " " + std::to_string(g.CameraY);
  for (int i = 0; i < ActorCount; ++i) {
    s += " " + std::to_string(g.PosX[i]) + "," + std::to_string(g.PosY[i]) + "," +
         std::to_string(g.VelX[i]) + "," + std::to_string(g.VelY[i]);
  }
  return s;
}

// A run's record and the index in the live game's ticks of the run's first tick.
struct Kept {
  Journal run;
  std::size_t first = 0;
};

TEST(RunningGame, EveryRunOfALivePlayReplaysAloneTickForTick) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    HandClock clock;
    Mt19937Random random;
    FixedTextMeasurer measurer;
    RunningGame live(clock, random, measurer, {});
    live.Follow(0.0);
    std::mt19937 rng(seed);
    const std::array<int, 6> keys = {VK_RIGHT, VK_RIGHT, VK_UP, VK_LEFT, VK_SPACE, VK_RETURN};
    std::vector<std::string> seen;
    std::vector<Kept> runs;
    std::size_t first = 0;
    int64_t late = 0, repeated = 0;
    // A run ends at the menu, or where a click on the outcome picture starts the next.
    const auto after = [&](const Happened& h, const Journal& before, bool ticked) {
      if (h.backAtMenu) runs.push_back({*live.LastRun(), first});
      if (h.runStarted) {
        if (before.start && !h.backAtMenu) runs.push_back({before, first});
        first = ticked ? seen.size() - 1 : seen.size();
      }
    };
    while (live.ticks() < 6000 && !live.game().Closed()) {
      clock.ms += 1.0 + static_cast<double>(rng() % 20);
      Journal before = live.journal();
      if (rng() % 4 == 0) {
        const uint32_t what = rng() % 100;
        // The keyboard, the touch screen and a controller, each holding keys of its own.
        const int source = static_cast<int>(rng() % 3);
        const int key = keys[rng() % keys.size()];
        Happened h;
        if (what < 30) {
          h = live.Feed(EventKind::KeyDown, key, source, clock.ms);
        } else if (what < 65) {
          h = live.Feed(EventKind::KeyUp, key, source, clock.ms);
        } else if (what < 80) {
          h = live.Feed(EventKind::MouseMove, static_cast<int32_t>(rng() % 944), 300, clock.ms);
        } else if (what < 90) {
          h = live.Feed(EventKind::Click, static_cast<int32_t>(rng() % 944),
                        static_cast<int32_t>(rng() % 542), clock.ms);
        } else if (what < 93) {
          h = live.ReleaseSource(source, clock.ms);
        } else if (what == 99 && live.game().GameState != StateMenu) {
          h = live.Feed(EventKind::KeyDown, VK_ESCAPE, KeyboardSource, clock.ms);
          h.Add(live.Feed(EventKind::KeyUp, VK_ESCAPE, KeyboardSource, clock.ms));
        }
        after(h, before, false);
      }
      const auto due = live.NextDeadline();
      if (!due || clock.ms < *due) continue;
      // Now and then the frontend wakes up well past a deadline and skips a tick.
      if (rng() % 50 == 0) clock.ms += 60.0, ++late;
      before = live.journal();
      const int64_t events = static_cast<int64_t>(before.events.size());
      const Happened h = live.Advance(clock.ms);
      if (h.ticked) seen.push_back(Play(live.game()));
      if (live.journal().start == before.start) {
        repeated += static_cast<int64_t>(live.journal().events.size()) - events;
      }
      after(h, before, h.ticked);
    }
    ASSERT_GT(late, 20);
    ASSERT_GT(repeated, 100) << "held keys of touch and controllers must have repeated";
    ASSERT_GT(runs.size(), 3u) << "the play must have started and left runs";

    for (const Kept& kept : runs) {
      const Journal& run = kept.run;
      ASSERT_TRUE(run.start);
      VirtualClock stepped(run.seed);
      Mt19937Random replayRandom;
      RunningGame replay(stepped, replayRandom, measurer, RunningGame::Replaying(run));
      EventSpan events(run.events);
      for (int64_t k = 1; k <= run.ticks; ++k) {
        RunTick(replay, stepped, k, events);
        ASSERT_EQ(Play(replay.game()), seen[kept.first + static_cast<std::size_t>(k - 1)])
            << "seed " << seed << " run from live tick " << kept.first + 1 << " tick " << k;
      }
    }
  }
}

}  // namespace
}  // namespace skelvar::tick

namespace skelvar::tick {
namespace {

// Up starts a run at tick `start`; with `right`, Right is held from then on, as the keyboard's
// repeat brings it back every tick.
std::vector<TimedEvent> RunFrom(int64_t start, int64_t ticks, bool right) {
  std::vector<TimedEvent> events = {{start, EventKind::KeyDown, VK_UP, KeyboardSource},
                                    {start + 1, EventKind::KeyUp, VK_UP, KeyboardSource}};
  for (int64_t k = start + 1; right && k <= ticks; ++k) {
    events.push_back({k, EventKind::KeyDown, VK_RIGHT, KeyboardSource});
  }
  return events;
}

// A running game on the virtual clock, stepped tick by tick through its events.
struct Stepped {
  explicit Stepped(std::vector<TimedEvent> script) : events(std::move(script)), feed(events) {}
  void Tick() { RunTick(run, clock, ++tick, feed); }

  VirtualClock clock{9};
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame run{clock, random, measurer, {}};
  std::vector<TimedEvent> events;
  EventSpan feed;
  int64_t tick = 0;
};

const DrawOp* Find(const DrawList& list, ComponentId component) {
  for (const DrawOp& op : list) {
    if (op.component == component) return &op;
  }
  return nullptr;
}

TEST(RunningGame, ARacedRunsGirlRunsBehindTheLiveOneFromTheSameStartAndChangesNothingElse) {
  // The recorded girl runs right from tick 12; the live one starts at tick 40 and stands still.
  Stepped best(RunFrom(12, 160, true));
  while (best.tick < 160) best.Tick();
  Stepped raced(RunFrom(40, 200, false)), alone(RunFrom(40, 200, false));
  raced.run.Race(std::make_unique<Ghost>(best.run.journal(), raced.measurer));
  // The recorded run again, a step for each of the live run's.
  Stepped again(RunFrom(12, 160, true));
  while (again.tick < 11) again.Tick();
  int64_t shown = 0;
  for (int64_t k = 1; k <= 200; ++k) {
    raced.Tick();
    alone.Tick();
    ASSERT_EQ(Play(raced.run.game()), Play(alone.run.game())) << "tick " << k;
    const DrawOp* ghost = Find(raced.run.CurrentList(), ComponentId::imgGhost);
    if (k < 40) {
      ASSERT_EQ(ghost, nullptr) << "no ghost before the live run starts, tick " << k;
      continue;
    }
    again.Tick();
    // The view starts at the stage's left end and takes a few ticks to reach her.
    const DrawOp* girl = Find(raced.run.CurrentList(), ComponentId::imgEm00);
    if (ghost == nullptr || girl == nullptr) continue;
    ++shown;
    const TGameMain& b = again.run.game();
    const TGameMain& live = raced.run.game();
    EXPECT_EQ(ghost->alpha, GhostAlpha);
    EXPECT_LT(ghost, girl) << "drawn behind the live girl";
    EXPECT_EQ(ghost->image, b.scene.imgEm[0].image) << "her own frame, tick " << k;
    EXPECT_EQ(ghost->dest.top - girl->dest.top, b.PosY[0] - live.PosY[0]) << "tick " << k;
    // Once she is off the play area's left edge, only her visible part is listed.
    if (ghost->source.left == 0 && girl->source.left == 0) {
      EXPECT_EQ(ghost->dest.left - girl->dest.left, b.PosX[0] - live.PosX[0]) << "tick " << k;
    }
  }
  EXPECT_GT(shown, 20) << "the ghost must have been seen running off";
  raced.run.ShowGhost(false);
  EXPECT_EQ(Find(raced.run.CurrentList(), ComponentId::imgGhost), nullptr) << "G hides her";
}

}  // namespace
}  // namespace skelvar::tick
