// A recorded run raced beside the live one: its own game played from its journal on a virtual
// clock, started afresh each time a live run starts and taking one step for each of the live
// game's. Nothing of the live game depends on it; only its girl is drawn, translucent, behind the
// live girl, with her own frames and facing.
#pragma once

#include <cstdint>
#include <optional>

#include "game/random.h"
#include "game/scene.h"
#include "tick/journal.h"
#include "tick/running_game.h"
#include "tick/virtual_clock.h"

namespace skelvar::tick {

class Ghost {
 public:
  // A run's own record starts at its start; an older code's whole launch is played through once
  // here, to find where its last run starts.
  Ghost(Journal recorded, const TextMeasurer& measurer);
  Ghost(const Ghost&) = delete;
  Ghost& operator=(const Ghost&) = delete;

  // Whether the recorded journal holds a run to race.
  bool HasRun() const { return recorded_.start || startTick_ > 0; }
  // A live run started: the recorded game starts its run again.
  void Restart();
  // The live game took a step: the recorded game takes its next tick.
  void Step();
  // The girl as the recorded run shows her now, placed on the live game's play area; nothing
  // before the recorded run starts or once it is over.
  std::optional<Picture> Girl(const TGameMain& live) const;

 private:
  RunningGame& Rewound();

  Journal recorded_;
  const TextMeasurer& measurer_;
  int64_t startTick_ = 0;
  int64_t next_ = 0;
  VirtualClock clock_;
  Mt19937Random random_;
  std::optional<RunningGame> game_;
  std::size_t event_ = 0;
};

}  // namespace skelvar::tick
