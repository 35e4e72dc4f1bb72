#include "web/page_run.h"

#include <emscripten.h>

#include <array>

#include "game/texts.h"
#include "run/ghost.h"
#include "tick/journal.h"
#include "tick/run_tick.h"

// The page measures text with the canvas and the loaded font; out gets width and height.
EM_JS(void, skelvar_js_measure, (const char* text, int length, int32_t* out), {
  const[width, height] = Module.measureText(UTF8ToString(text, length));
  HEAP32[out >> 2] = width;
  HEAP32[(out >> 2) + 1] = height;
});

// The formatter reads the JavaScript below as C++ and would split its operators.
// clang-format off
// The controllers the page has, read whole as (slot, buttons, stick) into out, at most `slots`;
// returns how many, or -1 when the page does not read them now (it lost the focus, say).
EM_JS(int, skelvar_js_read_pads, (double* out, int slots), {
  const pads = typeof Module.readPads === 'function' ? Module.readPads() : null;
  if (!pads) return -1;
  const count = Math.min(pads.length, slots);
  for (let i = 0; i < count; ++i) {
    HEAPF64[(out >> 3) + 3 * i] = pads[i].slot;
    HEAPF64[(out >> 3) + 3 * i + 1] = pads[i].buttons;
    HEAPF64[(out >> 3) + 3 * i + 2] = pads[i].x;
  }
  return count;
});
// clang-format on

namespace skelvar::web {
namespace {

tick::RunningGame::Options StartOptions(bool stepped, int32_t width, int32_t height,
                                        const records::Record& kept) {
  tick::RunningGame::Options options;
  options.clientWidth = width;
  options.clientHeight = height;
  options.kept = kept;
  // A stepped page's checks play its whole launch again natively.
  options.keepLaunch = stepped;
  return options;
}

}  // namespace

TextSize PageMeasurer::Measure(std::string_view utf8) const {
  std::array<int32_t, 2> size{};
  skelvar_js_measure(utf8.data(), static_cast<int>(utf8.size()), size.data());
  return {size[0], size[1]};
}

PageRun::PageRun(bool stepped, uint32_t seed, int32_t width, int32_t height,
                 const records::Record& kept)
    : clock_(stepped, seed), run_(clock_, random_, measurer_, StartOptions(stepped, width, height, kept)) {
  if (stepped) {
    // Start-up ran at tick 0, and its timers count from then, as the replay tool's first tick
    // has them; events from now on belong to tick 1.
    run_.Follow(clock_.Virtual().TickTimeMs(0));
    clock_.SetTick(1);
  } else {
    run_.Follow(clock_.NowMs());
  }
}

void PageRun::Watch(tick::CodedRun coded) {
  watched_ = std::make_unique<tick::WatchedRun>(std::move(coded.journal), measurer_,
                                                run_.records().Shown());
  if (stepped()) {
    watched_->game->Follow(watched_->clock.TickTimeMs(0));
  } else {
    watched_->game->Follow(clock_.NowMs());
  }
  watched_->game->SetNote(ReplayNote);
}

bool PageRun::WatchedOver() const {
  return watched_ && (watched_->game->PlayedBack() || watched_->game->game().Closed());
}

void PageRun::StopWatching(bool race) {
  if (race) run_.Race(std::make_unique<tick::Ghost>(std::move(watched_->journal), measurer_));
  watched_.reset();
}

bool PageRun::WatchedInput(PageInput kind, int32_t a, tick::Happened& h) {
  switch (kind) {
    case PageInput::KeyDown: {
      if (a == VK_ESCAPE) {
        StopWatching(false);
        h.pictureChanged = true;
        return false;
      }
      const bool command = a == VK_UP || a == VK_DOWN || a == VK_LEFT || a == VK_RIGHT ||
                           a == VK_RETURN || a == VK_SPACE;
      if (!command || !WatchedOver()) return false;
      StopWatching(true);
      h.pictureChanged = true;
      return true;
    }
    case PageInput::Resize:
    case PageInput::ReleaseSource:
    case PageInput::PadsLetGo:
      return true;
    case PageInput::Hidden:
    case PageInput::Shown:
      return true;
    default:
      return false;
  }
}

tick::Happened PageRun::Input(PageInput kind, int32_t a, int32_t b, bool& clicked) {
  using tick::EventKind;
  clicked = false;
  tick::Happened h;
  if (watched_ && !WatchedInput(kind, a, h)) return h;
  const double now = clock_.NowMs();
  switch (kind) {
    case PageInput::KeyDown:
      h.Add(run_.Feed(EventKind::KeyDown, a, b, now));
      return h;
    case PageInput::KeyUp:
      return run_.Feed(EventKind::KeyUp, a, b, now);
    case PageInput::MouseMove:
      return run_.Feed(EventKind::MouseMove, a, b, now);
    case PageInput::Click:
      return run_.Feed(EventKind::Click, a, b, now);
    case PageInput::Resize:
      return run_.Feed(EventKind::Resize, a, b, now);
    case PageInput::ReleaseSource:
      return run_.ReleaseSource(a, now);
    case PageInput::MousePress:
      clicks_.Press(run_.game().scene, a, b);
      break;
    case PageInput::MouseRelease:
      clicked = clicks_.Release(run_.game().scene, a, b);
      break;
    case PageInput::MouseCancel:
      clicks_.Cancel();
      break;
    case PageInput::PadsLetGo: {
      std::array<KeyTransition, Controllers::MaxLetGoTransitions> keys{};
      const int count = pads_.LetGoAll(keys);
      FeedKeys(std::span(keys).first(static_cast<std::size_t>(count)), now, h);
      break;
    }
    case PageInput::Hidden:
      clock_.SetHidden(true);
      // A stepped page's ticks run only when they are stepped, hidden or not.
      if (!stepped()) run_.Pause();
      if (!stepped() && watched_) watched_->game->Pause();
      break;
    case PageInput::Shown:
      clock_.SetHidden(false);
      if (!stepped()) run_.Follow(clock_.NowMs());
      if (!stepped() && watched_) watched_->game->Follow(clock_.NowMs());
      break;
  }
  return h;
}

bool PageRun::GameDue(double nowMs) const {
  const auto due = [nowMs](const tick::RunningGame& run) {
    const TGameMain& game = run.game();
    return !game.Closed() && game.scene.timGame.enabled &&
           run.schedule().Due(tick::TimerId::Game, nowMs);
  };
  return due(run_) || (watched_ && due(*watched_->game));
}

tick::Happened PageRun::Advance(double now) {
  tick::Happened h;
  if (stepped()) {
    const auto k = static_cast<int64_t>(now);
    clock_.SetTick(k);
    // The controllers' presses are events of this tick, before its timers; a watched run takes
    // none.
    if (!run_.game().Closed() && !watched_) ReadPads(clock_.NowMs(), h);
    tick::NoEvents delivered;
    h.Add(tick::RunTick(run_, clock_.Virtual(), k, delivered).happened);
    clock_.SetTick(k + 1);
  } else {
    const double nowMs = clock_.PageMs(now);
    if (GameDue(nowMs) && !watched_) ReadPads(nowMs, h);
    h.Add(run_.Advance(nowMs));
  }
  if (!watched_) return h;
  // The player's game goes on unseen and unheard: what is shown, painted and played is the
  // watched run's, what is kept the player's.
  tick::RunningGame& shown = *watched_->game;
  const bool over = WatchedOver();
  tick::Happened w;
  if (stepped()) {
    tick::NoEvents none;
    w = tick::RunTick(shown, watched_->clock, ++watched_->tick, none).happened;
  } else {
    watched_->clock.SetTick(shown.ticks() + 1);
    w = shown.Advance(clock_.PageMs(now));
  }
  if (!over && WatchedOver()) w.pictureChanged |= shown.SetNote(ReplayOverNote);
  w.ticked = w.ticked || h.ticked;
  w.recordChanged = h.recordChanged;
  w.runStarted = h.runStarted;
  w.backAtMenu = h.backAtMenu;
  w.closed = h.closed;
  return w;
}

tick::Happened PageRun::CatchUp(double now) {
  if (stepped() || !GameDue(clock_.PageMs(now))) return {};
  return Advance(emscripten_get_now());
}

bool PageRun::Blends() const {
  return !stepped() && !Shown().game().Closed() && Shown().Moving();
}

BlendedList PageRun::Frame(double now) const {
  return Shown().Frame(clock_.PageMs(now));
}

std::optional<double> PageRun::Deadline() const {
  if (stepped() || run_.game().Closed()) return std::nullopt;
  std::optional<double> next = run_.NextDeadline();
  if (watched_) {
    const std::optional<double> other = watched_->game->NextDeadline();
    if (other && (!next || *other < *next)) next = other;
  }
  if (!next) return std::nullopt;
  return clock_.PerformanceMs(*next);
}

void PageRun::ReadPads(double nowMs, tick::Happened& h) {
  std::array<double, 3 * ControllerSlots> readings{};
  const int count = skelvar_js_read_pads(readings.data(), ControllerSlots);
  if (count < 0) return;
  std::array<bool, ControllerSlots> present{};
  std::array<KeyTransition, Controllers::MaxTransitions> keys{};
  for (int i = 0; i < count; ++i) {
    const auto at = static_cast<std::size_t>(3 * i);
    const double slot = readings[at];
    if (!(slot >= 0 && slot < ControllerSlots)) continue;
    const int s = static_cast<int>(slot);
    if (!pads_.Connect(s)) continue;
    present[static_cast<std::size_t>(s)] = true;
    const int n = pads_.Read(s, static_cast<uint32_t>(readings[at + 1]), readings[at + 2], keys);
    FeedKeys(std::span(keys).first(static_cast<std::size_t>(n)), nowMs, h);
  }
  // A controller that is gone lets go of everything it held.
  std::array<KeyTransition, WatchedKeys.size()> released{};
  for (int slot = 0; slot < ControllerSlots; ++slot) {
    if (present[static_cast<std::size_t>(slot)] || !pads_.Connected(slot)) continue;
    const int n = pads_.Disconnect(slot, released);
    FeedKeys(std::span(released).first(static_cast<std::size_t>(n)), nowMs, h);
  }
}

void PageRun::FeedKeys(std::span<const KeyTransition> keys, double nowMs, tick::Happened& h) {
  using tick::EventKind;
  for (const KeyTransition& key : keys) {
    h.Add(run_.Feed(key.down ? EventKind::KeyDown : EventKind::KeyUp, key.code, key.source, nowMs));
  }
}

std::string PageScript(const tick::Journal& journal) {
  // Past its last event a full journal is not a whole run, and plays no run again.
  if (journal.full) return {};
  std::string script = tick::JournalScript(journal);
  if (journal.events.empty() || journal.events.back().tick <= journal.ticks) return script;
  tick::Journal header;
  header.seed = journal.seed;
  header.clientWidth = journal.clientWidth;
  header.clientHeight = journal.clientHeight;
  header.ticks = journal.events.back().tick;
  std::string out = tick::JournalScript(header);
  out.append(script, script.find('\n') + 1);
  return out;
}

}  // namespace skelvar::web
