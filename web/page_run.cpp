#include "web/page_run.h"

#include <emscripten.h>

#include <array>

#include "tick/journal.h"

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
    : clock_(stepped, seed),
      run_(clock_, random_, measurer_, StartOptions(stepped, width, height, kept)),
      session_(run_, measurer_) {
  if (stepped) {
    // Start-up ran at tick 0, and its timers count from then, as the replay tool's first tick
    // has them; events from now on belong to tick 1.
    run_.Follow(clock_.Virtual().TickTimeMs(0));
    clock_.SetTick(1);
  } else {
    run_.Follow(clock_.NowMs());
  }
}

bool PageRun::Watch(std::string_view text) {
  return session_.Watch(text, stepped() ? 0.0 : clock_.NowMs());
}

tick::Happened PageRun::Input(PageInput kind, int32_t a, int32_t b, bool& clicked) {
  using tick::EventKind;
  clicked = false;
  tick::Happened h;
  const double now = clock_.NowMs();
  switch (kind) {
    case PageInput::KeyDown:
      return session_.Feed(EventKind::KeyDown, a, b, now);
    case PageInput::KeyUp:
      return session_.Feed(EventKind::KeyUp, a, b, now);
    case PageInput::MouseMove:
      return session_.Feed(EventKind::MouseMove, a, b, now);
    case PageInput::Click:
      return session_.Feed(EventKind::Click, a, b, now);
    case PageInput::Resize:
      return session_.Feed(EventKind::Resize, a, b, now);
    case PageInput::ReleaseSource:
      return session_.ReleaseSource(a, now);
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
      if (!stepped()) session_.Pause();
      break;
    case PageInput::Shown:
      clock_.SetHidden(false);
      if (!stepped()) session_.Follow(clock_.NowMs());
      break;
  }
  return h;
}

tick::Happened PageRun::Advance(double now) {
  tick::Happened h;
  // The controllers' presses are events of the player's tick, before its timers; a watched run
  // takes none.
  const bool readPads = !session_.Watching() && !run_.game().Closed();
  if (stepped()) {
    const auto k = static_cast<int64_t>(now);
    clock_.SetTick(k);
    if (readPads) ReadPads(clock_.NowMs(), h);
    h.Add(session_.Step(clock_.Virtual(), k));
    clock_.SetTick(k + 1);
  } else {
    const double nowMs = clock_.PageMs(now);
    if (readPads && session_.TickDue(nowMs)) ReadPads(nowMs, h);
    h.Add(session_.Advance(nowMs));
  }
  return h;
}

tick::Happened PageRun::CatchUp(double now) {
  if (stepped() || !session_.TickDue(clock_.PageMs(now))) return {};
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
  const std::optional<double> next = session_.NextDeadline();
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
    h.Add(session_.Feed(key.down ? EventKind::KeyDown : EventKind::KeyUp, key.code, key.source,
                        nowMs));
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
