// Watching a recorded run and racing it afterwards, one set of rules for every frontend: the
// player's running game and, while a run is watched, that run's game beside it; the notes on
// their plaques and how many game ticks each has left; whether a finished run may be shared now
// and a pasted one watched; and what a key means while a run is watched. The window and the page
// translate their events into it and paint, play and keep what it hands back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "game/texts.h"
#include "run/run_code.h"
#include "run/watched_run.h"
#include "tick/running_game.h"
#include "tick/virtual_clock.h"

namespace skelvar::tick {

class WatchSession {
 public:
  // How long a passing note (copied, refused, too long) stays: 50 game ticks, 2.5 seconds.
  static constexpr int64_t NoteTicks = 50;

  // The player's game and the measure must outlive the session.
  WatchSession(RunningGame& player, const TextMeasurer& measurer);
  WatchSession(const WatchSession&) = delete;
  WatchSession& operator=(const WatchSession&) = delete;
  ~WatchSession();

  RunningGame& player() { return player_; }
  const RunningGame& player() const { return player_; }
  // The game on the screen, painted and heard: the watched run's while one is watched.
  RunningGame& Shown() { return watched_ ? *watched_->game : player_; }
  const RunningGame& Shown() const { return watched_ ? *watched_->game : player_; }
  bool Watching() const { return watched_ != nullptr; }
  // Whether the watched run has played all it holds, or its game has closed.
  bool WatchedOver() const;

  // Whether the player's run has just ended (its outcome shows) and no run is watched: its code
  // may be shared.
  bool MayShare() const;
  // Whether the player's game is at its menu and no run is watched: a pasted run may be watched.
  bool MayWatch() const;

  // A run watched from its own start-up, from `nowMs` on the frontend's clock (0 for a stepped
  // frontend), whatever the player's game is doing.
  void Watch(CodedRun run, double nowMs);
  // A pasted code or link: watched when a run may be watched now and the text is one this game
  // plays; otherwise the refusal's note, and `why` one line. Whether it is watched.
  bool Watch(std::string_view text, double nowMs, std::string* why = nullptr);
  // The code of the player's run that has just ended; none when it may not be shared now, or when
  // it is too long for a code (a note then says so).
  std::optional<std::string> Share();
  // The frontend handed the code over (the clipboard took it): a note says so.
  void Copied() { PlayerNote(CopiedNote); }

  // An input for the player's game. While a run is watched only a new size and key releases reach
  // it: Esc leaves the watched run, and once it is over a command key (an arrow, Space, Enter)
  // goes back and races it, the key going on to the player's game. M and G stay the frontend's
  // (the sound, the raced girl) whether a run is watched or not.
  Happened Feed(EventKind kind, int32_t a, int32_t b, double nowMs);
  // A source lets go of every key it holds.
  Happened ReleaseSource(int source, double nowMs) { return player_.ReleaseSource(source, nowMs); }

  // Live: the timers due at `nowMs`, the player's game's first. What is handed back is the shown
  // game's to paint and play (its sounds, its picture) and the player's to keep (the record, a
  // run started or ended, the game closed).
  Happened Advance(double nowMs);
  // Stepped: the player's tick k on `clock` (its events fed already), then the watched run's next
  // tick on its own clock.
  Happened Step(VirtualClock& clock, int64_t k);
  // Whether a game tick of either game is due at `nowMs`.
  bool TickDue(double nowMs) const;
  // The earliest timer of either game; none when none runs.
  std::optional<double> NextDeadline() const;
  // No timer of either game runs until Follow(nowMs) starts them afresh (a hidden page).
  void Pause();
  void Follow(double nowMs);

 private:
  void PlayerNote(std::string_view text);
  void StopWatching(bool race);
  // What the player's game handed back, and the watched run's tick after it, as one.
  Happened Together(Happened player, const Happened& watched, bool wasOver);
  static Happened WithoutRecord(Happened h);

  RunningGame& player_;
  const TextMeasurer& measurer_;
  std::unique_ptr<WatchedRun> watched_;
  // The player's passing note's ticks left; 0 when none shows.
  int64_t noteTicks_ = 0;
  bool noteChanged_ = false;
};

}  // namespace skelvar::tick
