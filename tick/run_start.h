// A run's start, as a record of the run holds it: taken from the live game when a run starts, and
// given to a fresh game so that it starts the run exactly there.
#pragma once

#include "game/game_main.h"
#include "game/platform.h"
#include "tick/journal.h"
#include "tick/timed_event.h"

namespace skelvar::tick {

// The start the game's last run took: its fields against a start straight after start-up at
// `clientWidth` by `clientHeight` (the client size the run started at), and its generator draws.
RunStart CaptureRunStart(const TGameMain& game, const TextMeasurer& measurer,
                         const ImageCatalogue& catalogue, int32_t clientWidth,
                         int32_t clientHeight);

// Starts a run on a game just made and laid out at the run's client size, whose generator has just
// been seeded with the run's seed: the start as StartGame makes it, then the recorded fields and
// the generator's place.
void ApplyRunStart(TGameMain& game, Random& random, const RunStart& start);

// One input event handed to the game, as a window delivers it.
void DeliverEvent(TGameMain& game, EventKind kind, int32_t a, int32_t b);

}  // namespace skelvar::tick
