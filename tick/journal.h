// Every input event a running game was fed, stamped with the game tick it came before, with the
// seed and client size it started from: enough for the replay tool to play the same run again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/game_main.h"

#include "tick/timed_event.h"

namespace skelvar::tick {

// One reading of the clock the game took: the date and the monotonic time when a run starts, the
// monotonic time when the clear time is shown. Played back, they give the same clear time.
struct ClockRead {
  bool days = false;  // the local date and time in days, else the monotonic clock in seconds
  double value = 0.0;
  bool operator==(const ClockRead&) const = default;
};

// Where a run's record starts, beside the seed and client size its journal holds: how many numbers
// the random generator had drawn, the fields the start left as it found them where they differ
// from a start straight after start-up at the same client size, and the record's game tick at
// which the fade next moves (0 once the fade is over).
struct RunStart {
  struct Field {
    uint16_t index = 0;  // in start_fields.h's order
    int32_t value = 0;
    bool operator==(const Field&) const = default;
  };
  uint64_t draws = 0;
  std::array<Field, StartFieldCount> fields{};
  uint16_t fieldCount = 0;
  int32_t fadeTick = 0;
  bool operator==(const RunStart&) const = default;
};

// A journal is either one run, from the moment it started (`start` set; ticks and event stamps
// count from it), or, as older codes hold them, a whole launch from start-up.
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
  // A launch's readings of the game's clock, in the order it took them.
  std::vector<ClockRead> clockReads{};
  std::optional<RunStart> start{};
  // A run's clear time as its clock measured it, in whole milliseconds from its start; -1 when
  // no clear time has shown.
  int64_t clearMs = -1;
  bool operator==(const Journal&) const = default;
};

// The clock readings a journal's game takes, given back in their turn when it is played: a run's
// start and, when it showed one, its clear time; a launch's as it took them.
std::vector<ClockRead> PlayedClock(const Journal& journal);

// The journal as the replay tool's script: a first comment line with the options that play it
// (seed, client size and ticks), then one line per event. The clock's readings are left out: a
// script runs on the virtual clock.
std::string JournalScript(const Journal& journal);

}  // namespace skelvar::tick
