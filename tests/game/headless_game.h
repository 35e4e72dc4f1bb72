// A running game on the headless runs' virtual clock, its window at the designed client size and
// created, as the replay tool starts one: the set-up that tests of the tick order and of held input
// share.
#pragma once

#include <cstdint>

#include "game/fixed_text_measurer.h"
#include "game/game_main.h"
#include "game/random.h"
#include "tick/run_tick.h"
#include "tick/running_game.h"
#include "tick/virtual_clock.h"

namespace skelvar::testing {

struct HeadlessGame {
  tick::VirtualClock clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  tick::RunningGame run;
  TGameMain& game;

  // Played back from a script, keys held by touch or a controller do not repeat by themselves.
  explicit HeadlessGame(uint32_t seed, bool repeatHeldKeys = false)
      : clock(seed), run(clock, random, measurer, Played(repeatHeldKeys)), game(run.game()) {}

  static tick::RunningGame::Options Played(bool repeatHeldKeys) {
    tick::RunningGame::Options o;
    o.repeatHeldKeys = repeatHeldKeys;
    return o;
  }

  tick::TickReport Tick(int64_t k, tick::EventSource& events) {
    return tick::RunTick(run, clock, k, events);
  }
  tick::TickReport Tick(int64_t k) {
    tick::NoEvents none;
    return Tick(k, none);
  }

  // Runs ticks first to last with no input: past the fade-in, this rests at the menu.
  void Idle(int64_t first, int64_t last) {
    for (int64_t k = first; k <= last; ++k) Tick(k);
  }
};

}  // namespace skelvar::testing
