// Every input event a running game was fed, stamped with the game tick it came before, with the
// seed and client size it started from: enough for the replay tool to play the same run again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tick/timed_event.h"

namespace skelvar::tick {

// One reading of the clock the game took: the date and the monotonic time when a run starts, the
// monotonic time when the clear time is shown. Played back, they give the same clear time.
struct ClockRead {
  bool days = false;  // the local date and time in days, else the monotonic clock in seconds
  double value = 0.0;
  bool operator==(const ClockRead&) const = default;
};

struct Journal {
  // Past this many events, or clock readings, a journal stops growing and is no longer a whole
  // run.
  static constexpr std::size_t MaxEvents = std::size_t{1} << 20;
  static constexpr std::size_t MaxClockReads = 3 * 4096;

  uint32_t seed = 0;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  std::vector<TimedEvent> events;
  // Game ticks run so far.
  int64_t ticks = 0;
  bool full = false;
  // The game's readings of the clock, in the order it took them.
  std::vector<ClockRead> clockReads{};
};

// The journal as the replay tool's script: a first comment line with the options that play it
// (seed, client size and ticks), then one line per event. The clock's readings are left out: a
// script runs on the virtual clock.
std::string JournalScript(const Journal& journal);

}  // namespace skelvar::tick
