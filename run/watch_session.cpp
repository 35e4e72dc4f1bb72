#include "run/watch_session.h"

#include "game/world.h"
#include "run/ghost.h"
#include "tick/run_tick.h"

namespace skelvar::tick {
namespace {

bool CommandKey(int code) {
  return code == VK_UP || code == VK_DOWN || code == VK_LEFT || code == VK_RIGHT ||
         code == VK_RETURN || code == VK_SPACE;
}

}  // namespace

WatchSession::WatchSession(RunningGame& player, const TextMeasurer& measurer)
    : player_(player), measurer_(measurer) {}

WatchSession::~WatchSession() = default;

bool WatchSession::WatchedOver() const {
  return watched_ && (watched_->game->PlayedBack() || watched_->game->game().Closed());
}

bool WatchSession::MayShare() const {
  const int state = player_.game().GameState;
  return !watched_ && (state == StateOutcome || state == StateFinished);
}

bool WatchSession::MayWatch() const {
  return !watched_ && player_.game().GameState == StateMenu;
}

void WatchSession::Watch(CodedRun run, double nowMs) {
  if (noteTicks_ > 0) PlayerNote({});
  watched_ =
      std::make_unique<WatchedRun>(std::move(run.journal), measurer_, player_.records().Shown());
  RunningGame& shown = *watched_->game;
  // The player's own line, never a judgement of the watched run against it.
  shown.game().SetRecordLine(player_.game().scene.lblBest.text.view());
  shown.SetNote(ReplayNote);
  shown.Follow(nowMs);
}

bool WatchSession::Watch(std::string_view text, double nowMs, std::string* why) {
  std::optional<CodedRun> run;
  if (!MayWatch()) {
    if (why != nullptr) *why = "a run is watched only from the menu";
  } else {
    run = DecodeRun(text, why);
  }
  if (!run) {
    PlayerNote(RefusedNote);
    return false;
  }
  Watch(std::move(*run), nowMs);
  return true;
}

std::optional<std::string> WatchSession::Share() {
  if (!MayShare()) return std::nullopt;
  std::optional<std::string> code = player_.LastRunCode();
  if (!code) PlayerNote(TooLongNote);
  return code;
}

void WatchSession::PlayerNote(std::string_view text) {
  noteChanged_ = player_.SetNote(text) || noteChanged_;
  noteTicks_ = text.empty() ? 0 : NoteTicks;
}

void WatchSession::StopWatching(bool race) {
  if (race) player_.Race(std::make_unique<Ghost>(std::move(watched_->journal), measurer_));
  watched_.reset();
}

Happened WatchSession::Feed(EventKind kind, int32_t a, int32_t b, double nowMs) {
  Happened h;
  if (watched_) {
    if (kind == EventKind::KeyDown && a == VK_ESCAPE) {
      StopWatching(false);
      h.pictureChanged = true;
      return h;
    }
    if (kind == EventKind::KeyDown && CommandKey(a) && WatchedOver()) {
      StopWatching(true);
      h.pictureChanged = true;
    } else if (kind != EventKind::Resize && kind != EventKind::KeyUp) {
      return h;
    }
  }
  h.Add(player_.Feed(kind, a, b, nowMs));
  return h;
}

Happened WatchSession::WithoutRecord(Happened h) {
  h.recordChanged = false;
  h.runStarted = false;
  h.backAtMenu = false;
  h.closed = false;
  return h;
}

Happened WatchSession::Together(Happened player, const Happened& watched, bool wasOver) {
  // A passing note counts the player's ticks.
  if (player.ticked && noteTicks_ > 0 && --noteTicks_ == 0) PlayerNote({});
  if (noteChanged_) {
    player.pictureChanged = true;
    noteChanged_ = false;
  }
  if (!watched_) return player;
  Happened shown = WithoutRecord(watched);
  if (!wasOver && WatchedOver()) shown.pictureChanged |= watched_->game->SetNote(ReplayOverNote);
  // What is painted and played is the watched run's; what is kept, the player's.
  shown.ticked = shown.ticked || player.ticked;
  shown.recordChanged = player.recordChanged;
  shown.runStarted = player.runStarted;
  shown.backAtMenu = player.backAtMenu;
  shown.closed = player.closed;
  return shown;
}

Happened WatchSession::Advance(double nowMs) {
  const Happened player = player_.Advance(nowMs);
  if (!watched_) return Together(player, {}, false);
  RunningGame& shown = *watched_->game;
  const bool over = WatchedOver();
  // A run without the clock's readings (one made from a script) counts its time in ticks, as the
  // replay tool does.
  watched_->clock.SetTick(shown.ticks() + 1);
  return Together(player, shown.Advance(nowMs), over);
}

Happened WatchSession::Step(VirtualClock& clock, int64_t k) {
  NoEvents none;
  const Happened player = RunTick(player_, clock, k, none).happened;
  if (!watched_) return Together(player, {}, false);
  const bool over = WatchedOver();
  NoEvents nothing;
  const Happened watched =
      RunTick(*watched_->game, watched_->clock, ++watched_->tick, nothing).happened;
  return Together(player, watched, over);
}

bool WatchSession::TickDue(double nowMs) const {
  return player_.TickDue(nowMs) || (watched_ && watched_->game->TickDue(nowMs));
}

std::optional<double> WatchSession::NextDeadline() const {
  std::optional<double> next = player_.NextDeadline();
  if (watched_) {
    const std::optional<double> other = watched_->game->NextDeadline();
    if (other && (!next || *other < *next)) next = other;
  }
  return next;
}

void WatchSession::Pause() {
  player_.Pause();
  if (watched_) watched_->game->Pause();
}

void WatchSession::Follow(double nowMs) {
  player_.Follow(nowMs);
  if (watched_) watched_->game->Follow(nowMs);
}

}  // namespace skelvar::tick
