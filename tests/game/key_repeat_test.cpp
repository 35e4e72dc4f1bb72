// Keys that controllers and fingers hold come back as a keyboard's held keys do.
#include "game/key_repeat.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "game/game_main.h"
#include "headless_game.h"
#include "tick/run_tick.h"
#include "tick/virtual_clock.h"

namespace skelvar {
namespace {

constexpr int Pad = FirstControllerSource;

using Repeats = std::vector<std::pair<int, int>>;

Repeats DueAt(KeyRepeat& repeat, double now) {
  Repeats out;
  repeat.Due(now, [&](int source, int code) { out.emplace_back(source, code); });
  return out;
}

TEST(KeyRepeat, AHeldKeyComesBackAfterTheDelayThenOnTheBeat) {
  KeyRepeat repeat;
  repeat.Press(Pad, VK_RIGHT, 10.0);
  EXPECT_EQ(DueAt(repeat, 10.0), Repeats{});
  EXPECT_EQ(DueAt(repeat, 10.499), Repeats{}) << "not before half a second";
  EXPECT_EQ(DueAt(repeat, 10.5), (Repeats{{Pad, VK_RIGHT}}));
  EXPECT_EQ(DueAt(repeat, 10.52), Repeats{}) << "the next beat is 33 ms on";
  EXPECT_EQ(DueAt(repeat, 10.533), (Repeats{{Pad, VK_RIGHT}}));
  // Called once a tick, every tick sees one repeat, never a burst of the beats it missed.
  EXPECT_EQ(DueAt(repeat, 11.0), (Repeats{{Pad, VK_RIGHT}}));
  EXPECT_EQ(DueAt(repeat, 11.0), Repeats{});
  // The beat stays on its grid: 10.5 + 16 x 0.033 = 11.028.
  EXPECT_EQ(DueAt(repeat, 11.027), Repeats{});
  EXPECT_EQ(DueAt(repeat, 11.029), (Repeats{{Pad, VK_RIGHT}}));

  // A second press of a key already held keeps its beat; a new hold waits the whole delay again.
  repeat.Press(Pad, VK_RIGHT, 11.05);
  EXPECT_EQ(DueAt(repeat, 11.062), (Repeats{{Pad, VK_RIGHT}}));
  repeat.Release(Pad, VK_RIGHT);
  EXPECT_EQ(DueAt(repeat, 20.0), Repeats{}) << "a released key is quiet";
  repeat.Press(Pad, VK_RIGHT, 20.0);
  EXPECT_EQ(DueAt(repeat, 20.4), Repeats{});

  // The keyboard repeats by itself; unwatched codes and unknown sources are not held at all.
  repeat.Press(KeyboardSource, VK_LEFT, 20.0);
  repeat.Press(TouchSource, 65, 20.0);
  repeat.Press(InputSourceCount, VK_UP, 20.0);
  repeat.Press(-1, VK_UP, 20.0);
  repeat.Press(TouchSource, VK_UP, 20.1);
  EXPECT_FALSE(repeat.Holds(KeyboardSource, VK_LEFT));
  EXPECT_EQ(DueAt(repeat, 20.6), (Repeats{{TouchSource, VK_UP}, {Pad, VK_RIGHT}}));

  // A whole source lets go at once; the others keep their keys.
  repeat.Press(Pad, VK_SPACE, 20.0);
  repeat.ReleaseAll(Pad);
  EXPECT_EQ(DueAt(repeat, 21.0), (Repeats{{TouchSource, VK_UP}}));
}

// Over a long random run of presses, releases and calls at random moments, a key repeats exactly
// when one of its beats (press + 0.5 s + n x 33 ms) fell since the last call, and only while its
// source holds it.
TEST(KeyRepeat, RepeatsFollowTheBeatsOfHeldKeysOverALongRandomRun) {
  KeyRepeat repeat;
  std::mt19937 rng(20261208);
  constexpr std::size_t Keys = WatchedKeys.size();
  struct Hold {
    bool held = false;
    double since = 0.0;
  };
  std::array<std::array<Hold, Keys>, InputSourceCount> model{};
  double now = 0.0, lastCall = 0.0;
  int repeats = 0;
  for (int step = 0; step < 200000; ++step) {
    now += std::uniform_real_distribution<double>(0.0, 0.08)(rng);
    const int source = static_cast<int>(rng() % InputSourceCount);
    const std::size_t k = rng() % Keys;
    const int code = WatchedKeys[k];
    Hold& hold = model[static_cast<std::size_t>(source)][k];
    const uint32_t what = rng() % 20;
    if (what < 2) {
      repeat.Press(source, code, now);
      if (!hold.held && source != KeyboardSource) hold = {true, now};
    } else if (what < 3) {
      repeat.Release(source, code);
      hold.held = false;
    } else if (what < 4) {
      repeat.ReleaseAll(source);
      for (Hold& h : model[static_cast<std::size_t>(source)]) h.held = false;
    } else {
      std::array<std::array<int, Keys>, InputSourceCount> seen{};
      repeat.Due(now, [&](int s, int c) {
        for (std::size_t j = 0; j < Keys; ++j) {
          if (WatchedKeys[j] == c) ++seen[static_cast<std::size_t>(s)][j];
        }
      });
      for (std::size_t s = 0; s < InputSourceCount; ++s) {
        for (std::size_t j = 0; j < Keys; ++j) {
          const Hold& h = model[s][j];
          bool expected = false;
          if (h.held && now >= h.since + KeyRepeat::DelaySeconds) {
            // The last beat at or before now, and whether it came after the previous call (or
            // is the first beat of a hold that began since).
            const double n = std::floor(
                (now - h.since - KeyRepeat::DelaySeconds) / KeyRepeat::IntervalSeconds + 1e-9);
            const double beat = h.since + KeyRepeat::DelaySeconds + n * KeyRepeat::IntervalSeconds;
            expected = beat > lastCall - 1e-9 || h.since >= lastCall;
          }
          // Beats within a rounding error of a call may fall either side of it.
          const double phase =
              std::fmod(now - h.since - KeyRepeat::DelaySeconds + 1.0, KeyRepeat::IntervalSeconds);
          if (h.held && (phase < 1e-7 || KeyRepeat::IntervalSeconds - phase < 1e-7)) continue;
          ASSERT_EQ(seen[s][j], expected ? 1 : 0)
              << "source " << s << " key " << WatchedKeys[j] << " at " << now << " step " << step;
          repeats += seen[s][j];
        }
      }
      lastCall = now;
    }
  }
  EXPECT_GT(repeats, 1000) << "the run should hold keys long enough to repeat";
}

// The replay of a controller holding Right from the menu, with the repeats its frontend adds
// before each tick written into the script: the first press starts the run, which clears the
// keys, and after the repeat delay she runs on as she does for a held key of the keyboard.
TEST(KeyRepeat, AControllerHoldingRightFromTheMenuRunsAfterTheDelay) {
  for (const int source : {Pad, TouchSource}) {
    testing::HeadlessGame run(1);
    TGameMain& game = run.game;
    run.Idle(1, 20);
    ASSERT_EQ(game.GameState, StateMenu);

    KeyRepeat repeat;
    std::vector<tick::TimedEvent> script;
    const auto keyDown = [&](int64_t tick) {
      script.push_back({tick, tick::EventKind::KeyDown, VK_RIGHT, source});
    };
    keyDown(21);
    repeat.Press(source, VK_RIGHT, 21 * 0.05);
    int64_t firstRepeat = 0;
    for (int64_t k = 22; k <= 80; ++k) {
      if (repeat.Due(k * 0.05, [&](int, int) { keyDown(k); }) > 0 && firstRepeat == 0) {
        firstRepeat = k;
      }
    }
    EXPECT_EQ(firstRepeat, 31) << "half a second, ten ticks, after the press";

    tick::EventSpan events(script);
    int32_t start = 0;
    int64_t running = 0;
    for (int64_t k = 21; k <= 80; ++k) {
      run.Tick(k, events);
      if (k == 21) {
        ASSERT_EQ(game.GameState, StatePlaying) << "the press starts a run";
        EXPECT_EQ(game.KeyState[VK_RIGHT], 0) << "and the run's start clears the keys";
        start = game.PosX[0];
      }
      if (running == 0 && game.PosX[0] > start) running = k;
    }
    EXPECT_EQ(running, firstRepeat) << "source " << source;
    EXPECT_LE((running - 21) * 50, 1500) << "she runs within 1.5 s of the press";
    EXPECT_GT(game.PosX[0], start + 30 * 20) << "and keeps running while the key is held";
  }
}

}  // namespace
}  // namespace skelvar
