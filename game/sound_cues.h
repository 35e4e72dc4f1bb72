// The sounds a tick calls for, read from the game before and after it so that the play logic
// itself stays untouched and every frontend hears the same ticks.
#pragma once

#include <cstdint>

#include "cue.h"
#include "game_main.h"

namespace skelvar {

// What the cues are read from: a few numbers of the game, copied without allocating.
struct CueView {
  int32_t state = StateMenu;
  int32_t tick = 0;
  int32_t hit = 0;
  double startMonotonic = 0.0;
  double playerVy = 0.0;
  uint32_t labelHash = 0;
  bool labelEmpty = true;
  double dogVy = 0.0;
  bool dogNear = false;
  double birdVy = 0.0;
  bool birdNear = false;
};

CueView ViewForCues(const TGameMain& game);

// The cues of one tick, from the game as the last tick left it and as this one leaves it.
CueSet CuesOfTick(const CueView& before, const CueView& after);

// Remembers the last tick's view so that a frontend only calls Tick after each tick.
class CueTracker {
 public:
  explicit CueTracker(const TGameMain& game) : last_(ViewForCues(game)) {}
  // Starts afresh from the game as it is now, as after its start-up.
  void Reset(const TGameMain& game) { last_ = ViewForCues(game); }
  CueSet Tick(const TGameMain& game) {
    const CueView now = ViewForCues(game);
    const CueSet cues = CuesOfTick(last_, now);
    last_ = now;
    return cues;
  }

 private:
  CueView last_;
};

}  // namespace skelvar
