// A run's start, as a record of the run holds it: taken from the live game when a run starts, and
// given to a fresh game so that it starts the run exactly there.
#pragma once

#include <string>

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
// been seeded with the run's seed: the recorded fields, then the start as StartGame makes it from
// them, then the generator's place.
void ApplyRunStart(TGameMain& game, Random& random, const RunStart& start);

// Whether a start's fields hold values the game can take: picture ids it has, an actor it has, and
// places and sizes within the ranges a run's events keep. Empty when they do; else what is not.
std::string RunStartOutOfRange(const RunStart& start);

// One input event handed to the game, as a window delivers it.
void DeliverEvent(TGameMain& game, EventKind kind, int32_t a, int32_t b);

}  // namespace skelvar::tick
