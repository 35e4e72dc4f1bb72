// The verdict on a run code: the run played through without drawing or keeping anything, and what
// it proves. A leaderboard ranks by `ticks`, the simulation's own count, never the player's clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skelvar::run {

// How a run's record ends.
enum class RunEnd {
  Goal,     // the girl caught the cat
  Actor,    // she touched another actor
  Menu,     // the player went back to the menu
  Closed,   // the window was closed
  Playing,  // the record stops while the run is still on
};

struct Verdict {
  bool cleared = false;  // the goal was touched
  RunEnd ended = RunEnd::Playing;
  int actor = -1;        // the actor touched, -1 without a contact
  int64_t ticks = 0;     // game steps from the run's start to the contact, or to the record's end
  int64_t seconds = -1;  // the clear time the result showed, -1 when none showed
  int format = 0;        // the code's format version
  int64_t logic = 0;     // the play logic version it was made with
  int64_t events = 0;    // input events in the run
  // SHA-256 in lower-case hex of the canonical run; empty where the build has no hash.
  std::string id;
  // The run alone in the current format, as a leaderboard keeps and serves it (only when asked).
  std::string code;
};

// The verdict on a bare code, a link holding "#run=CODE", or a kept last run. None, with `why`
// set to one short line, for a code that cannot be read or was made with another logic version
// (the line names both). Bounded in time and memory as the decoder is.
// With `recode`, the verdict carries the run's code in the current format too.
std::optional<Verdict> Judge(std::string_view text, std::string* why = nullptr, bool recode = false);

// The verdict as one line of JSON: {"cleared", "ended", "actor", "ticks", "seconds", "format",
// "logic", "events", "id"}.
std::string VerdictJson(const Verdict& verdict);
// A refusal as one line of JSON: {"error": REASON}.
std::string ErrorJson(std::string_view reason);

const char* EndName(RunEnd end);

}  // namespace skelvar::run
