// The window's two timers in real time, as the desktop loop, the page and the headless runs share
// them: which timer is due at a moment, in the one order a tick runs them (the fade, then the
// game's step), when the next one is due, and where a frame falls between two game ticks.
// Times are milliseconds on a monotonic clock, the unit of the scene's intervals, so that a
// stepped clock's ticks land on the deadlines exactly.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "game/scene.h"

namespace skelvar::tick {

// One periodic timer: deadlines are whole periods from its start, computed afresh each time so
// they do not drift; a late tick runs once and the next one waits for the following boundary.
class Periodic {
 public:
  Periodic() = default;
  // The first tick falls one period after `start`.
  Periodic(double start, double period) : start_(start), period_(period) {}

  double Next() const { return start_ + static_cast<double>(ticks_) * period_; }
  bool Due(double now) const { return now >= Next(); }
  double period() const { return period_; }
  // Called after the tick for Next() ran at `now`: moves to the first boundary after now.
  void Advance(double now);

 private:
  double start_ = 0.0;
  double period_ = 1.0;
  int64_t ticks_ = 1;
};

enum class TimerId : uint8_t { Fade = 0, Game = 1 };

// The order in which a tick runs the timers due at it.
inline constexpr std::array<TimerId, 2> TimerOrder = {TimerId::Fade, TimerId::Game};

class LiveSchedule {
 public:
  // Follows the scene's switches at `now`: a timer switched on starts a fresh period from now,
  // one switched off stops; a running timer keeps its schedule.
  void Follow(const Timer& fade, const Timer& game, double now) {
    FollowOne(TimerId::Fade, fade, now);
    FollowOne(TimerId::Game, game, now);
    if (running_[Index(TimerId::Game)]) gamePeriod_ = At(TimerId::Game).period();
  }
  void Follow(const Scene& scene, double now) { Follow(scene.timOpen, scene.timGame, now); }
  // No timer runs until the next Follow, which starts each afresh (a hidden page, say).
  void Pause() { running_ = {}; }

  bool Running(TimerId id) const { return running_[Index(id)]; }
  bool Due(TimerId id, double now) const { return Running(id) && At(id).Due(now); }
  // When the timer's next tick is due; only meaningful while it runs.
  double Deadline(TimerId id) const { return At(id).Next(); }
  // The first timer after `after` in the tick's order that is due at `now`; from the start of the
  // order without `after`.
  std::optional<TimerId> NextDue(double now, std::optional<TimerId> after = std::nullopt) const;
  // The tick for Deadline(id) ran at `now`: the timer moves on to its first boundary after now.
  // Nothing happens to a timer that stopped meanwhile.
  void Fired(TimerId id, double now);
  // A running timer's next tick moves to `firstDue`, its period kept: a recorded run resumes the
  // fade where it stood against the game's ticks.
  void Rephase(TimerId id, double firstDue);
  // The earliest deadline of the running timers; none when no timer runs.
  std::optional<double> NextDeadline() const;

  // How far `now` is from the last game tick's deadline to the one after it, from 0 to 1: where
  // a frame drawn now places the pictures between their last two ticks' places. 1 before any tick.
  double Fraction(double now) const;

 private:
  static int Index(TimerId id) { return static_cast<int>(id); }
  // Inline, since every event and every tick passes here, and a switch is rare.
  void FollowOne(TimerId id, const Timer& t, double now) {
    bool& running = running_[Index(id)];
    // A timer without a positive interval could never be late enough to stop; it does not run.
    const bool on = t.enabled && t.intervalMs > 0;
    if (on && !running) timers_[Index(id)] = Periodic(now, t.intervalMs);
    running = on;
  }
  const Periodic& At(TimerId id) const { return timers_[Index(id)]; }

  std::array<Periodic, TimerOrder.size()> timers_{};
  std::array<bool, TimerOrder.size()> running_{};
  std::optional<double> lastGameDeadline_;
  double gamePeriod_ = 1.0;
};

}  // namespace skelvar::tick
