// The main window's logic as a plain C API for the page: its handlers, the window state, the draw
// list, the stored pictures' names and sizes, and the state as JSON for tests.
#include <emscripten.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "game/click_tracker.h"
#include "game/controllers.h"
#include "game/draw_list.h"
#include "game/draw_list_blend.h"
#include "game/game_main.h"
#include "game/key_repeat.h"
#include "game/random.h"
#include "game/sound_cues.h"
#include "game/touch_zone.h"
#include "records/record_keeper.h"
#include "tick/run_tick.h"
#include "tick/state_json.h"
#include "tick/virtual_clock.h"
#include "synth/synth.h"
#include "web/page_records.h"

using namespace skelvar;
using namespace skelvar::web;

// The page measures text with the canvas and the loaded font; out gets width and height.
EM_JS(void, skelvar_js_measure, (const char* text, int length, int32_t* out), {
  const[width, height] = Module.measureText(UTF8ToString(text, length));
  HEAP32[out >> 2] = width;
  HEAP32[(out >> 2) + 1] = height;
});

// Local wall-clock time as days since 1899-12-30.
EM_JS(double, skelvar_js_local_days, (), {
  const now = Date.now();
  const offsetMinutes = new Date(now).getTimezoneOffset();
  return (now / 1000 - offsetMinutes * 60) / 86400 + 25569;
});

// A microsecond counter for seeding: performance.now() alone starts near 0 at every load, so the
// time origin is added to make the seed differ from one visit to the next.
EM_JS(double, skelvar_js_counter_us, (),
      { return Math.floor((performance.timeOrigin + performance.now()) * 1000); });

namespace {

class PageMeasurer final : public TextMeasurer {
 public:
  TextSize Measure(std::string_view utf8) const override {
    std::array<int32_t, 2> size{};
    skelvar_js_measure(utf8.data(), static_cast<int>(utf8.size()), size.data());
    return {size[0], size[1]};
  }
};

// The browser's clock, or for tests the headless runs' clock that stands still between ticks.
class PageClock final : public Clock {
 public:
  PageClock(bool stepped, uint32_t seed) : stepped_(stepped), virtual_(seed) {}
  void SetTick(int64_t tick) { virtual_.SetTick(tick); }
  tick::VirtualClock& Virtual() { return virtual_; }

  double LocalDateTimeDays() override {
    return stepped_ ? virtual_.LocalDateTimeDays() : skelvar_js_local_days();
  }
  double MonotonicSeconds() override {
    return stepped_ ? virtual_.MonotonicSeconds() : PageSeconds();
  }
  // While the page is hidden its clock stands still, so time away is not counted in a run.
  void SetHidden(bool hidden) {
    const double now = emscripten_get_now() / 1000.0;
    if (hidden && !hidden_) hiddenAt_ = now;
    if (!hidden && hidden_) away_ += now - hiddenAt_;
    hidden_ = hidden;
  }
  std::optional<uint64_t> PerformanceCounter() override {
    if (stepped_) return virtual_.PerformanceCounter();
    return static_cast<uint64_t>(skelvar_js_counter_us());
  }
  uint32_t TickCountMs() override {
    return stepped_ ? virtual_.TickCountMs() : static_cast<uint32_t>(emscripten_get_now());
  }

 private:
  double PageSeconds() const {
    return (hidden_ ? hiddenAt_ : emscripten_get_now() / 1000.0) - away_;
  }

  bool stepped_;
  bool hidden_ = false;
  double hiddenAt_ = 0.0;
  double away_ = 0.0;
  tick::VirtualClock virtual_;
};

// The player's record as the page's storage last gave it; a new launch starts from it.
records::Record pageRecord;

struct Page {
  Page(bool stepped, uint32_t seed)
      : clock(stepped, seed), game(clock, random, measurer), records(game, pageRecord) {}
  PageClock clock;
  Mt19937Random random;
  PageMeasurer measurer;
  TGameMain game;
  // The repeats of keys that controllers and fingers hold; the keyboard brings its own.
  KeyRepeat repeats;
  // The controllers the page reads, each in its slot; a new launch starts with none.
  Controllers pads;
  // The sounds of the last tick, read once for the page's audio.
  CueTracker cues{game};
  CueSet tickCues = 0;
  records::RecordKeeper records;
};

alignas(Page) std::array<unsigned char, sizeof(Page)> pageStorage;
Page* page = nullptr;
// What the page was created with, for a new launch after the exit command.
bool pageStepped = false;
uint32_t pageSeed = 0;
ClickTracker clicks;
// Key events for the page to deliver: the repeats that have come for keys the controllers and
// fingers still hold (before the game's tick), or what a controller just did.
KeyEventsRecord keyEvents{};

// What the page paints; the generation changes whenever the list does.
DrawRecord<int32_t> drawBuffer{};
DrawList lastList;
// The list's texts point into the scene, so the last ones are kept as copies to compare with.
LabelText lastText, lastLineText;

// Frames between ticks: the draw lists of the last two game ticks, and the frame last asked for
// (its text points into the lists).
TickDrawLists tickLists;
bool tickListsStarted = false;
BlendedList blended;
DrawRecord<double> blendedBuffer{};

// The samples of the cue rendered last, read by the page into its audio buffers.
std::vector<int16_t> cueSamples;

std::string stateJson;
std::array<char, 16> nameBuffer{};
FitRecord fitBuffer{};
RectRecord playAreaBuffer{};
WindowRecord windowBuffer{};
PlayerRecord recordBuffer{};

records::Record RecordOf(double best, double runs, double clears) {
  records::Record r;
  if (best >= 0) r.best = static_cast<int64_t>(best);
  r.runs = static_cast<int64_t>(runs);
  r.clears = static_cast<int64_t>(clears);
  return r;
}

template <typename Number, typename Rect>
std::array<Number, 4> RectOf(const Rect& r) {
  return {static_cast<Number>(r.left), static_cast<Number>(r.top), static_cast<Number>(r.width),
          static_cast<Number>(r.height)};
}

// One operation as the page reads it, from a tick's list or a frame between ticks.
template <typename Number, typename Op>
OpRecord<Number> OpOf(const Op& op) {
  return {static_cast<Number>(op.kind),
          RectOf<Number>(op.clip),
          RectOf<Number>(op.dest),
          RectOf<Number>(op.source),
          static_cast<Number>(op.image),
          static_cast<Number>(op.keyed ? 1 : 0),
          static_cast<Number>(op.colour.r << 16 | op.colour.g << 8 | op.colour.b),
          static_cast<Number>(op.component)};
}

int32_t Address(const void* p) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p));
}

// The list's counts, texts and background edge into a buffer's header, its operations after it.
template <typename Number, typename List>
void Fill(DrawRecord<Number>& buffer, const List& list, std::string_view text,
          std::string_view lineText) {
  DrawHeader& h = buffer.header;
  ++h.generation;
  h.count = list.count;
  h.textPointer = Address(text.data());
  h.textLength = static_cast<int32_t>(text.size());
  h.lineTextPointer = Address(lineText.data());
  h.lineTextLength = static_cast<int32_t>(lineText.size());
  h.backgroundLeft = BackgroundLeft(list).value_or(std::numeric_limits<double>::quiet_NaN());
  std::size_t i = 0;
  for (const auto& op : list) buffer.ops[i++] = OpOf<Number>(op);
}

// Controllers' transitions handed to the page, which delivers them as key events.
const KeyEventsRecord* PadEvents(int count) {
  keyEvents.count = count;
  return &keyEvents;
}

}  // namespace

extern "C" {

// Builds the main window at a client size; stepped runs use the virtual clock and seed.
EMSCRIPTEN_KEEPALIVE void skelvar_create(int stepped, uint32_t seed, int32_t width,
                                         int32_t height) {
  if (page != nullptr) return;
  pageStepped = stepped != 0;
  pageSeed = seed;
  page = new (pageStorage.data()) Page(pageStepped, seed);
  page->game.scene.window.clientWidth = width;
  page->game.scene.window.clientHeight = height;
  page->game.FormCreate();
  page->cues.Reset(page->game);
}

// After the exit command the page starts the game afresh, as a new launch: a new main window at
// the given client size, start-up and fade-in included. Does nothing while the window is open.
EMSCRIPTEN_KEEPALIVE void skelvar_relaunch(int32_t width, int32_t height) {
  if (page == nullptr || !page->game.Closed()) return;
  page->~Page();
  page = nullptr;
  clicks.Cancel();
  skelvar_create(pageStepped ? 1 : 0, pageSeed, width, height);
}

EMSCRIPTEN_KEEPALIVE void skelvar_set_hidden(int hidden) {
  page->clock.SetHidden(hidden != 0);
}

// The game's monotonic clock in seconds, for tests of the time away.
EMSCRIPTEN_KEEPALIVE double skelvar_monotonic_seconds() {
  return page->clock.MonotonicSeconds();
}

EMSCRIPTEN_KEEPALIVE void skelvar_set_tick(double tick) {
  page->clock.SetTick(static_cast<int64_t>(tick));
}

// Stepped runs: tick k's timers, in the headless runs' order, after its events (delivered as they
// came); then the clock moves on to tick k + 1, where the events from now on belong.
EMSCRIPTEN_KEEPALIVE void skelvar_step(double tick) {
  const auto k = static_cast<int64_t>(tick);
  tick::NoEvents delivered;
  tick::RunTick(page->game, page->clock.Virtual(), k, delivered);
  page->tickCues = page->cues.Tick(page->game);
  page->clock.SetTick(k + 1);
}

EMSCRIPTEN_KEEPALIVE void skelvar_resize(int32_t width, int32_t height) {
  if (page->game.Closed()) return;
  page->game.scene.window.clientWidth = width;
  page->game.scene.window.clientHeight = height;
  page->game.FormResize();
}

EMSCRIPTEN_KEEPALIVE void skelvar_open_timer() {
  if (!page->game.Closed() && page->game.scene.timOpen.enabled) page->game.timOpenTimer();
}

EMSCRIPTEN_KEEPALIVE void skelvar_game_timer() {
  if (!page->game.Closed() && page->game.scene.timGame.enabled) page->game.timGameTimer();
  page->tickCues = page->cues.Tick(page->game);
}

// The sounds the last tick called for, a bit for each cue.
EMSCRIPTEN_KEEPALIVE int skelvar_tick_cues() {
  return page->tickCues;
}

// Renders one cue's sound at 48 kHz; the samples stay until the next call.
EMSCRIPTEN_KEEPALIVE const int16_t* skelvar_render_cue(int cue) {
  cueSamples.assign(static_cast<size_t>(synth::CueLength(static_cast<Cue>(cue))), 0);
  synth::RenderCue(static_cast<Cue>(cue), cueSamples);
  return cueSamples.data();
}

EMSCRIPTEN_KEEPALIVE int skelvar_cue_samples() {
  return static_cast<int>(cueSamples.size());
}

EMSCRIPTEN_KEEPALIVE void skelvar_key_down(int code) {
  if (!page->game.Closed()) page->game.FormKeyDown(code);
}

EMSCRIPTEN_KEEPALIVE void skelvar_key_up(int code) {
  if (!page->game.Closed()) page->game.FormKeyUp(code);
}

// Keys of the touch screen and the controllers, each its own source of held keys.
EMSCRIPTEN_KEEPALIVE void skelvar_source_key_down(int source, int code) {
  if (page->game.Closed()) return;
  page->game.SourceKeyDown(source, code);
  page->repeats.Press(source, code, page->clock.MonotonicSeconds());
}

EMSCRIPTEN_KEEPALIVE void skelvar_source_key_up(int source, int code) {
  if (page->game.Closed()) return;
  page->game.SourceKeyUp(source, code);
  page->repeats.Release(source, code);
}

EMSCRIPTEN_KEEPALIVE const KeyEventsRecord* skelvar_due_repeats() {
  keyEvents.count = 0;
  if (page->game.Closed()) return &keyEvents;
  page->repeats.Due(page->clock.MonotonicSeconds(), [](int source, int code) {
    keyEvents.events[static_cast<std::size_t>(keyEvents.count++)] = {code, 1, source};
  });
  return &keyEvents;
}

// A controller in a slot, read whole: its buttons as bits of PadControl, its stick from -1 to 1.
// Returns the key events it makes.
EMSCRIPTEN_KEEPALIVE const KeyEventsRecord* skelvar_pad_read(int slot, uint32_t buttons, double x) {
  std::array<KeyTransition, Controllers::MaxTransitions> out{};
  if (!page->pads.Connect(slot)) return PadEvents(0);
  const int n = page->pads.Read(slot, buttons, x, out);
  for (int i = 0; i < n; ++i) {
    const KeyTransition& t = out[static_cast<std::size_t>(i)];
    keyEvents.events[static_cast<std::size_t>(i)] = {t.code, t.down ? 1 : 0, t.source};
  }
  return PadEvents(n);
}

EMSCRIPTEN_KEEPALIVE int skelvar_pad_connected(int slot) {
  return page->pads.Connected(slot) ? 1 : 0;
}

// A controller left (gone is its slot), or the page lost the focus (every slot): what they held
// is let go.
EMSCRIPTEN_KEEPALIVE const KeyEventsRecord* skelvar_pads_let_go(int gone) {
  std::array<KeyTransition, Controllers::MaxLetGoTransitions> out{};
  const int n = gone >= 0 ? page->pads.Disconnect(gone, out) : page->pads.LetGoAll(out);
  for (int i = 0; i < n; ++i) {
    const KeyTransition& t = out[static_cast<std::size_t>(i)];
    keyEvents.events[static_cast<std::size_t>(i)] = {t.code, 0, t.source};
  }
  return PadEvents(n);
}

// A new launch: the controllers are read afresh, holding nothing.
EMSCRIPTEN_KEEPALIVE void skelvar_pads_forget() {
  page->pads.Forget();
}

// The keys a source holds, one bit per watched key in the order of skelvar_watched_key.
EMSCRIPTEN_KEEPALIVE int skelvar_source_mask(int source) {
  return page->game.heldKeys.Mask(source);
}

EMSCRIPTEN_KEEPALIVE int skelvar_watched_key(int bit) {
  return bit >= 0 && bit < static_cast<int>(WatchedKeys.size())
             ? WatchedKeys[static_cast<std::size_t>(bit)]
             : 0;
}

EMSCRIPTEN_KEEPALIVE void skelvar_release_source(int source) {
  if (page->game.Closed()) return;
  page->game.ReleaseSource(source);
  page->repeats.ReleaseAll(source);
}

// What a finger at a client point does (the values of TouchZone).
EMSCRIPTEN_KEEPALIVE int skelvar_touch_zone(int32_t x, int32_t y) {
  return static_cast<int>(TouchZoneAt(page->game, x, y));
}

EMSCRIPTEN_KEEPALIVE void skelvar_mouse_move(int32_t x, int32_t y) {
  if (!page->game.Closed()) page->game.MouseMove(x, y);
}

EMSCRIPTEN_KEEPALIVE void skelvar_mouse_click(int32_t x, int32_t y) {
  if (!page->game.Closed()) page->game.MouseClick(x, y);
}

EMSCRIPTEN_KEEPALIVE void skelvar_mouse_press(int32_t x, int32_t y) {
  clicks.Press(page->game.scene, x, y);
}

// Whether the release completes a click, to be delivered with skelvar_mouse_click.
EMSCRIPTEN_KEEPALIVE int skelvar_mouse_release(int32_t x, int32_t y) {
  return clicks.Release(page->game.scene, x, y) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void skelvar_mouse_cancel() {
  clicks.Cancel();
}

EMSCRIPTEN_KEEPALIVE const WindowRecord* skelvar_window() {
  const Scene& s = page->game.scene;
  windowBuffer = {s.window.opacityEnabled, s.window.opacity,     s.window.closed,
                  s.timOpen.enabled,       s.timGame.enabled,    s.timOpen.intervalMs,
                  s.timGame.intervalMs,    s.window.clientWidth, s.window.clientHeight};
  return &windowBuffer;
}

// The draw list of the scene as it is now; the generation changes whenever the list does.
EMSCRIPTEN_KEEPALIVE const DrawRecord<int32_t>* skelvar_draw_list() {
  const DrawList list = BuildDrawList(page->game.scene);
  if (drawBuffer.header.generation != 0 && lastText == list.text && lastLineText == list.lineText &&
      std::equal(list.begin(), list.end(), lastList.begin(), lastList.end())) {
    return &drawBuffer;
  }
  lastList = list;
  lastText.assign(list.text.empty() ? std::string_view("") : list.text);
  lastLineText.assign(list.lineText.empty() ? std::string_view("") : list.lineText);
  Fill(drawBuffer, list, lastText.view(), lastLineText.view());
  return &drawBuffer;
}

// A game tick ran: its draw list becomes the current one, the last one the previous.
EMSCRIPTEN_KEEPALIVE void skelvar_lists_tick() {
  tickLists.Advance(BuildDrawList(page->game.scene));
  tickListsStarted = true;
}

// After any other handler: a changed scene (a run started by a key, a new size) shows at once,
// with nothing to glide from. Returns whether it changed.
EMSCRIPTEN_KEEPALIVE int skelvar_lists_follow() {
  const DrawList list = BuildDrawList(page->game.scene);
  if (tickListsStarted && list == tickLists.current()) return 0;
  tickLists.Reset(list);
  tickListsStarted = true;
  return 1;
}

// Whether anything moves between the last two ticks.
EMSCRIPTEN_KEEPALIVE int skelvar_lists_moving() {
  return tickListsStarted && tickLists.Moving() ? 1 : 0;
}

// The frame a fraction a of the way from the previous tick's list to the current one, in client
// units.
EMSCRIPTEN_KEEPALIVE const DrawRecord<double>* skelvar_blended_list(double a) {
  blended = BlendDrawLists(tickLists.previous(), tickLists.current(), a, 1.0);
  Fill(blendedBuffer, blended, blended.text, blended.lineText);
  return &blendedBuffer;
}

// The scale at which a viewport shows the game and the client size the logic then sees.
EMSCRIPTEN_KEEPALIVE const FitRecord* skelvar_fit(int32_t width, int32_t height) {
  const ViewScale v = FitToScreen(width, height);
  fitBuffer = {v.scale, static_cast<double>(v.clientWidth), static_cast<double>(v.clientHeight)};
  return &fitBuffer;
}

// Where the logic puts the play area in a client area of that size.
EMSCRIPTEN_KEEPALIVE const RectRecord* skelvar_play_area(int32_t width, int32_t height) {
  const PixelRect r = PlayAreaPlace(width, height);
  playAreaBuffer = {r.left, r.top, r.width, r.height};
  return &playAreaBuffer;
}

// The player's record, kept by the page in its storage: best time (-1 for none), runs, clears.
// The record as the storage holds it now (at start, or changed by another tab).
EMSCRIPTEN_KEEPALIVE void skelvar_records_refresh(double best, double runs, double clears) {
  pageRecord = RecordOf(best, runs, clears);
  page->records.Refresh(pageRecord);
}

// After a tick: whether a run started or a clear was shown, so that there is something to save.
EMSCRIPTEN_KEEPALIVE int skelvar_records_follow() {
  return page->records.Observe() ? 1 : 0;
}

// What this page added since it last saved: best time (-1 for none), runs, clears.
EMSCRIPTEN_KEEPALIVE const PlayerRecord* skelvar_records_unsaved() {
  const records::Record& r = page->records.Unsaved();
  recordBuffer = {r.best ? static_cast<double>(*r.best) : -1.0, static_cast<double>(r.runs),
                  static_cast<double>(r.clears)};
  return &recordBuffer;
}

// The storage took the unsaved part: the record as it now holds it.
EMSCRIPTEN_KEEPALIVE void skelvar_records_saved(double best, double runs, double clears) {
  pageRecord = RecordOf(best, runs, clears);
  page->records.Saved(pageRecord);
}

EMSCRIPTEN_KEEPALIVE int skelvar_label_font_pixels() {
  return LabelFontPixels;
}

EMSCRIPTEN_KEEPALIVE int skelvar_image_count() {
  return ImageCount;
}

// A stored picture's component name, or an empty text when the component has no image.
EMSCRIPTEN_KEEPALIVE const char* skelvar_image_name(int id) {
  nameBuffer.fill('\0');
  if (id < 0 || id >= ImageCount) return nameBuffer.data();
  const PixelSize size = ShippedCatalogue()[id];
  if (size.width <= 0 || size.height <= 0) return nameBuffer.data();
  const std::string_view name = ImageName(static_cast<ImageId>(id));
  std::memcpy(nameBuffer.data(), name.data(), std::min(name.size(), nameBuffer.size() - 1));
  return nameBuffer.data();
}

EMSCRIPTEN_KEEPALIVE int skelvar_image_keyed(int id) {
  return ImageIsKeyed(static_cast<ImageId>(id));
}

// The run state and scene as one line of JSON, the replay tool's format.
EMSCRIPTEN_KEEPALIVE const char* skelvar_state_json(double tick) {
  tick::WriteStateJson(page->game, static_cast<int64_t>(tick), stateJson);
  return stateJson.c_str();
}

}  // extern "C"
