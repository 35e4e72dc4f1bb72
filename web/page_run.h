// One launch of the game in the page: the running game on the page's clock, with what only the
// page has around it: the controllers it reads, the mouse's press that a release may complete as
// a click, and the text measure of the canvas. A stepped test page runs the ticks by hand, on
// the virtual clock, in the replay tool's one order.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "game/click_tracker.h"
#include "game/controllers.h"
#include "game/random.h"
#include "records/records.h"
#include "run/watch_session.h"
#include "tick/running_game.h"
#include "web/page_calls.h"
#include "web/page_clock.h"

namespace skelvar::web {

// The page measures text with the canvas and the loaded font.
class PageMeasurer final : public TextMeasurer {
 public:
  TextSize Measure(std::string_view utf8) const override;
};

class PageRun {
 public:
  // Start-up runs here, at the given client size, with the record the storage gave last.
  PageRun(bool stepped, uint32_t seed, int32_t width, int32_t height, const records::Record& kept);
  PageRun(const PageRun&) = delete;
  PageRun& operator=(const PageRun&) = delete;

  // The player's game.
  tick::RunningGame& run() { return run_; }
  const tick::RunningGame& run() const { return run_; }
  // Watching and racing recorded runs, the notes, and what may be shared or watched now.
  tick::WatchSession& session() { return session_; }
  const tick::WatchSession& session() const { return session_; }
  const tick::RunningGame& Shown() const { return session_.Shown(); }

  // A pasted code or link watched instead of the player's game from now on, or refused with a
  // note; whether it is watched.
  bool Watch(std::string_view text);
  PageClock& clock() { return clock_; }
  const TextMeasurer& measurer() const { return measurer_; }
  bool stepped() const { return clock_.stepped(); }

  // One input from the page; `clicked` tells whether a mouse release completed a click.
  tick::Happened Input(PageInput kind, int32_t a, int32_t b, bool& clicked);
  // Runs the timers due at `now` (performance.now()'s milliseconds), the controllers read first
  // when a game tick is due. In a stepped page `now` is the tick to run, and the clock moves on
  // to the next one, where the events from then on belong.
  tick::Happened Advance(double now);
  // Before a frame at `now`: a game tick due by then runs first, so that no frame shows a tick's
  // places held past its time.
  tick::Happened CatchUp(double now);
  // Whether a frame shows the pictures between the last two ticks (never in a stepped page,
  // whose frames show the ticks as they are).
  bool Blends() const;
  BlendedList Frame(double now) const;
  // When the next timer is due on performance.now()'s clock: none in a stepped page, while the
  // page is hidden, or once the game is over.
  std::optional<double> Deadline() const;

 private:
  void ReadPads(double nowMs, tick::Happened& h);
  void FeedKeys(std::span<const KeyTransition> keys, double nowMs, tick::Happened& h);

  PageClock clock_;
  Mt19937Random random_;
  PageMeasurer measurer_;
  tick::RunningGame run_;
  tick::WatchSession session_;
  // The controllers the page reads, each in its slot; a new launch starts with none.
  Controllers pads_;
  ClickTracker clicks_;
};

// The journal as the replay tool's script. Its ticks reach the tick the last events were for,
// even when the game ended (or a run did) at those events before that tick ran, so that the
// script played with its own options ends where the page did.
std::string PageScript(const tick::Journal& journal);

}  // namespace skelvar::web
