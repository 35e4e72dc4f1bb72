// A running game that paints nothing (no draw lists, no sounds, no ghost) plays exactly the game
// one that paints does: the state, the record and the clear times, tick for tick.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "run/ghost.h"
#include "tick/run_tick.h"
#include "tick/running_game.h"
#include "tick/state_json.h"
#include "tick/virtual_clock.h"

namespace skelvar::tick {
namespace {

// The winning script's events, then, once its result is shown, a long stretch of random play: keys
// of the keyboard, the touch screen and a controller (whose repeats the running game makes), moves,
// clicks and resizes.
std::vector<TimedEvent> Script(int64_t ticks) {
  std::vector<TimedEvent> events;
  std::ifstream winning(SKELVAR_WINNING_SCRIPT);
  std::string line;
  int64_t last = 0;
  while (std::getline(winning, line)) {
    long long tick = 0;
    char kind[16] = {};
    int a = 0, b = 0;
    const int n = std::sscanf(line.c_str(), "%lld %15s %d %d", &tick, kind, &a, &b);
    if (n < 3) continue;
    const std::string k = kind;
    const EventKind e = k == "keydown" ? EventKind::KeyDown
                        : k == "keyup" ? EventKind::KeyUp
                                       : EventKind::Click;
    events.push_back({tick, e, a, n == 4 ? b : KeyboardSource});
    last = tick;
  }
  std::mt19937 rng(35);
  const std::array<int, 7> keys = {VK_RIGHT, VK_RIGHT,  VK_UP,    VK_LEFT,
                                   VK_SPACE, VK_RETURN, VK_ESCAPE};
  for (int64_t k = last + 80; k < ticks; k += 1 + rng() % 7) {
    const uint32_t what = rng() % 100;
    const int key = keys[rng() % keys.size()];
    const int source = static_cast<int>(rng() % 3);
    if (what < 40) {
      events.push_back(
          {k, EventKind::KeyDown, key == VK_ESCAPE && rng() % 8 ? VK_UP : key, source});
    } else if (what < 80) {
      events.push_back({k, EventKind::KeyUp, key, source});
    } else if (what < 90) {
      events.push_back({k, EventKind::MouseMove, static_cast<int32_t>(rng() % 944), 300});
    } else if (what < 98) {
      events.push_back({k, EventKind::Click, static_cast<int32_t>(rng() % 944),
                        static_cast<int32_t>(rng() % 542)});
    } else {
      events.push_back({k, EventKind::Resize, 600 + static_cast<int32_t>(rng() % 700),
                        400 + static_cast<int32_t>(rng() % 400)});
    }
  }
  return events;
}

struct Played {
  explicit Played(bool paints) {
    RunningGame::Options o;
    o.paints = paints;
    run.emplace(clock, random, measurer, o);
  }
  VirtualClock clock{77};
  Mt19937Random random;
  FixedTextMeasurer measurer;
  std::optional<RunningGame> run;
};

TEST(Painting, SkippingItLeavesEveryTickOfTheGameTheSame) {
  constexpr int64_t Ticks = 30000;
  const std::vector<TimedEvent> events = Script(Ticks);
  ASSERT_GT(events.size(), 5000u) << "the winning script was not found";
  Played painted(true), headless(false);
  EventSpan paintedFeed(events), headlessFeed(events);
  std::string a, b;
  int64_t cues = 0, pictures = 0, clears = 0, raced = 0;
  for (int64_t k = 1; k <= Ticks && !painted.run->game().Closed(); ++k) {
    const Happened p = RunTick(*painted.run, painted.clock, k, paintedFeed).happened;
    const Happened h = RunTick(*headless.run, headless.clock, k, headlessFeed).happened;
    WriteStateJson(painted.run->game(), k, a);
    WriteStateJson(headless.run->game(), k, b);
    ASSERT_EQ(a, b) << "tick " << k;
    ASSERT_EQ(painted.run->lastClearSeconds(), headless.run->lastClearSeconds()) << "tick " << k;
    ASSERT_EQ(painted.run->records().Unsaved(), headless.run->records().Unsaved()) << "tick " << k;
    EXPECT_EQ(h.cues, 0u);
    EXPECT_FALSE(h.pictureChanged);
    cues += p.cues != 0;
    pictures += p.pictureChanged;
    clears += p.recordChanged && painted.run->lastClearSeconds() >= 0;
    raced += painted.run->CurrentList().count > 0 &&
             std::any_of(painted.run->CurrentList().begin(), painted.run->CurrentList().end(),
                         [](const DrawOp& op) { return op.component == ComponentId::imgGhost; });
  }
  EXPECT_EQ(headless.run->CurrentList().count, 0) << "nothing was drawn";
  EXPECT_GT(cues, 500) << "the painted game must have made sounds";
  EXPECT_GT(pictures, 5000);
  EXPECT_GT(clears, 0) << "the winning run must have cleared";
  EXPECT_GT(raced, 0) << "its best run must have been raced";
  EXPECT_GT(painted.run->records().Unsaved().runs, 20);
}

}  // namespace
}  // namespace skelvar::tick
