// Every input event a running game was fed, stamped with the game tick it came before, with the
// seed and client size it started from: enough for the replay tool to play the same run again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tick/timed_event.h"

namespace skelvar::tick {

struct Journal {
  // Past this many events a journal stops growing and is no longer a whole run.
  static constexpr std::size_t MaxEvents = std::size_t{1} << 20;

  uint32_t seed = 0;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  std::vector<TimedEvent> events;
  // Game ticks run so far.
  int64_t ticks = 0;
  bool full = false;
};

// The journal as the replay tool's script: a first comment line with the options that play it
// (seed, client size and ticks), then one line per event.
std::string JournalScript(const Journal& journal);

}  // namespace skelvar::tick
