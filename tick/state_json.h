// The run state and scene of one tick as one line of JSON.
#pragma once

#include <cstdint>
#include <string>

#include "game/game_main.h"

namespace skelvar::tick {

// Replaces out with the JSON object for the state after tick `tick` (no newline).
void WriteStateJson(const TGameMain& game, int64_t tick, std::string& out);

}  // namespace skelvar::tick
