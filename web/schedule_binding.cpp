// The window's timers for the page: the play library's live schedule behind a plain C API, on
// performance.now()'s milliseconds. The page runs one set of timers at a time.
#include <emscripten.h>

#include "game/scene.h"
#include "tick/live_schedule.h"

using skelvar::tick::LiveSchedule;
using skelvar::tick::TimerId;

namespace {

LiveSchedule schedule;

// The page names the timers by these numbers, the handlers' places in its list.
static_assert(static_cast<int>(TimerId::Fade) == 0 && static_cast<int>(TimerId::Game) == 1);

}  // namespace

extern "C" {

// A new set of timers: nothing runs and no game tick has been seen.
EMSCRIPTEN_KEEPALIVE void skelvar_schedule_reset() {
  schedule = LiveSchedule{};
}

// The window's switches and intervals as the scene holds them now.
EMSCRIPTEN_KEEPALIVE void skelvar_schedule_follow(int fadeOn, int32_t fadeMs, int gameOn,
                                                  int32_t gameMs, double now) {
  schedule.Follow(skelvar::Timer{fadeMs, fadeOn != 0}, skelvar::Timer{gameMs, gameOn != 0}, now);
}

EMSCRIPTEN_KEEPALIVE void skelvar_schedule_pause() {
  schedule.Pause();
}

// The next timer after `after` (-1: from the first) due at `now`, in the tick's order; -1 if none.
EMSCRIPTEN_KEEPALIVE int skelvar_schedule_next_due(int after, double now) {
  const auto id =
      after < 0 ? schedule.NextDue(now) : schedule.NextDue(now, static_cast<TimerId>(after));
  return id ? static_cast<int>(*id) : -1;
}

EMSCRIPTEN_KEEPALIVE double skelvar_schedule_deadline(int id) {
  return schedule.Deadline(static_cast<TimerId>(id));
}

EMSCRIPTEN_KEEPALIVE void skelvar_schedule_fired(int id, double now) {
  schedule.Fired(static_cast<TimerId>(id), now);
}

// When the next timer is due; -1 when none runs.
EMSCRIPTEN_KEEPALIVE double skelvar_schedule_next() {
  return schedule.NextDeadline().value_or(-1.0);
}

EMSCRIPTEN_KEEPALIVE int skelvar_schedule_game_due(double now) {
  return schedule.Due(TimerId::Game, now) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE double skelvar_schedule_fraction(double now) {
  return schedule.Fraction(now);
}

}  // extern "C"
