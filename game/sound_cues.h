// The sounds a game tick calls for, read from what the game noted as it happened, so that every
// frontend hears the same ticks.
#pragma once

#include <cstdint>

#include "cue.h"
#include "game_main.h"
#include "happenings.h"

namespace skelvar {

// The cues of one game tick: what happened since the last one, the state the last one left, and
// the game as this one leaves it.
CueSet CuesOfTick(const Happenings& happened, int32_t stateBefore, const TGameMain& after);

// Gathers what happens between two game ticks, so that a frontend only calls Tick after each.
class CueTracker {
 public:
  explicit CueTracker(const TGameMain& game) : stateBefore_(game.GameState) {}
  // Starts afresh from the game as it is now, as after its start-up.
  void Reset(const TGameMain& game) {
    pending_ = {};
    stateBefore_ = game.GameState;
  }
  // Takes what the game noted since the last look and keeps it for the next tick's cues.
  Happenings Take(TGameMain& game) {
    const Happenings taken = game.TakeHappenings();
    pending_.Add(taken);
    return taken;
  }
  // After a game tick: its cues, from everything taken since the last tick.
  CueSet Tick(TGameMain& game) {
    Take(game);
    const CueSet cues = CuesOfTick(pending_, stateBefore_, game);
    pending_ = {};
    stateBefore_ = game.GameState;
    return cues;
  }

 private:
  Happenings pending_;
  int32_t stateBefore_;
};

}  // namespace skelvar
