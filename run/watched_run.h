// A recorded run played back as it was played, beside the player's game: its own running game at
// the recorded client size, fed the run's events at their ticks and given back its clock readings,
// on a clock that counts its ticks as the replay tool's does (so that a run made from a script
// shows the clear time the tool prints). Its menu shows the player's record, which it never
// changes, and it races no ghost of its own.
#pragma once

#include <cstdint>
#include <optional>

#include "game/random.h"
#include "records/records.h"
#include "tick/journal.h"
#include "tick/running_game.h"
#include "tick/virtual_clock.h"

namespace skelvar::tick {

struct WatchedRun {
  WatchedRun(Journal recorded, const TextMeasurer& measurer, const records::Record& shown);
  WatchedRun(const WatchedRun&) = delete;
  WatchedRun& operator=(const WatchedRun&) = delete;

  Journal journal;
  VirtualClock clock;
  Mt19937Random random;
  std::optional<RunningGame> game;
  // The last tick a stepped frontend ran.
  int64_t tick = 0;
};

}  // namespace skelvar::tick
