// The game as the page calls it: a few plain C functions around one running game. Every call
// that can change the game hands back one report (what it made happen, then the window as it
// stands), and the draw list and the frame between ticks wait in buffers the report points to.
#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "game/draw_list.h"
#include "game/draw_list_blend.h"
#include "game/texts.h"
#include "game/touch_zone.h"
#include "records/key_value_text.h"
#include "records/records.h"
#include "run/ghost.h"
#include "run/run_code.h"
#include "run/run_link.h"
#include "synth/synth.h"
#include "tick/state_json.h"
#include "web/page_calls.h"
#include "web/page_records.h"
#include "web/page_run.h"

using namespace skelvar;
using namespace skelvar::web;

// A text the page hands in (a run code): the bytes of Module.textIn, a Uint8Array of UTF-8, copied
// into out up to `capacity`; returns the whole text's length, 0 when there is none.
EM_JS(int, skelvar_js_text_in, (char* out, int capacity), {
  const bytes = Module.textIn;
  if (!(bytes instanceof Uint8Array)) return 0;
  HEAPU8.set(bytes.subarray(0, Math.min(bytes.length, capacity)), out);
  return bytes.length;
});

namespace {

alignas(PageRun) std::array<unsigned char, sizeof(PageRun)> runStorage;
PageRun* page = nullptr;
// The player's record as the page's storage last gave it; a new launch starts from it.
records::Record pageRecord;

ReportRecord report{};

// What the page paints: the scene's draw list, whose generation changes whenever the list does,
// and the frame between ticks asked for last (its texts point into the running game's lists).
DrawRecord<int32_t> drawBuffer{};
DrawList lastList;
// The list's texts point into the scene, so the last ones are kept as copies to compare with.
LabelText lastText, lastLineText, lastNoteText;
BlendedList blended;
DrawRecord<double> frameBuffer{};

std::vector<int16_t> cueSamples;
std::string text;
// The text the page handed in last, the best run's code as the record gives it out, and the code
// of the player's last run to share.
std::string textIn;
std::string bestRunOut;
std::string shareCode;
SpanRecord span{};
LayoutRecord layoutBuffer{};
PlayerRecord playerBuffer{};

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
          static_cast<Number>(op.component),
          static_cast<Number>(op.alpha)};
}

int32_t Address(const void* p) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p));
}

// The list's counts, texts and background edge into a buffer's header, its operations after it.
template <typename Number, typename List>
void Fill(DrawRecord<Number>& buffer, const List& list, std::string_view listText,
          std::string_view lineText, std::string_view noteText) {
  DrawHeader& h = buffer.header;
  ++h.generation;
  h.count = list.count;
  h.textPointer = Address(listText.data());
  h.textLength = static_cast<int32_t>(listText.size());
  h.lineTextPointer = Address(lineText.data());
  h.lineTextLength = static_cast<int32_t>(lineText.size());
  h.noteTextPointer = Address(noteText.data());
  h.noteTextLength = static_cast<int32_t>(noteText.size());
  h.backgroundLeft = BackgroundLeft(list).value_or(std::numeric_limits<double>::quiet_NaN());
  std::size_t i = 0;
  for (const auto& op : list) buffer.ops[i++] = OpOf<Number>(op);
}

// The shown game's draw list (a raced girl and a note in it) into its buffer, when it changed.
void FollowDrawList() {
  const DrawList& list = page->Shown().CurrentList();
  if (drawBuffer.header.generation != 0 && lastText == list.text && lastLineText == list.lineText &&
      lastNoteText == list.noteText &&
      std::equal(list.begin(), list.end(), lastList.begin(), lastList.end())) {
    return;
  }
  lastList = list;
  lastText.assign(list.text.empty() ? std::string_view("") : list.text);
  lastLineText.assign(list.lineText.empty() ? std::string_view("") : list.lineText);
  lastNoteText.assign(list.noteText.empty() ? std::string_view("") : list.noteText);
  Fill(drawBuffer, list, lastText.view(), lastLineText.view(), lastNoteText.view());
}

// The text the page handed in, at most `limit` bytes of it; none when it is longer.
std::optional<std::string_view> TextIn(std::size_t limit) {
  const int length = skelvar_js_text_in(nullptr, 0);
  if (length < 0 || static_cast<std::size_t>(length) > limit) return std::nullopt;
  textIn.resize(static_cast<std::size_t>(length));
  skelvar_js_text_in(textIn.data(), length);
  return std::string_view(textIn);
}

double Flag(bool on) {
  return on ? 1.0 : 0.0;
}

// The report of a call: what it made happen, then the window as it stands after it.
const ReportRecord* Report(const tick::Happened& h, bool clicked = false, bool frame = false) {
  FollowDrawList();
  const tick::RunningGame& run = page->run();
  const Scene& s = page->Shown().game().scene;
  report = ReportRecord{
      .cues = static_cast<double>(h.cues),
      .ticked = Flag(h.ticked),
      .faded = Flag(h.faded),
      .pictureChanged = Flag(h.pictureChanged),
      .recordChanged = Flag(h.recordChanged),
      .backAtMenu = Flag(h.backAtMenu),
      .clicked = Flag(clicked),
      .blended = Flag(frame),
      .closed = Flag(run.game().Closed()),
      .opacityEnabled = Flag(s.window.opacityEnabled),
      .opacity = static_cast<double>(s.window.opacity),
      .openEnabled = Flag(s.timOpen.enabled),
      .gameEnabled = Flag(s.timGame.enabled),
      .openInterval = static_cast<double>(s.timOpen.intervalMs),
      .gameInterval = static_cast<double>(s.timGame.intervalMs),
      .clientWidth = static_cast<double>(s.window.clientWidth),
      .clientHeight = static_cast<double>(s.window.clientHeight),
      .moving = Flag(page->Shown().Moving()),
      .ticks = static_cast<double>(run.ticks()),
      .deadline = page->Deadline().value_or(-1.0),
      .generation = static_cast<double>(drawBuffer.header.generation),
      .drawList = static_cast<double>(Address(&drawBuffer)),
      .frame = static_cast<double>(Address(&frameBuffer)),
      .runStarted = Flag(h.runStarted),
      .watching = Flag(page->session().Watching()),
      .playedBack = Flag(page->session().WatchedOver()),
      .shareable = Flag(page->session().MayShare()),
      .ghostShown = Flag(run.GhostShown()),
  };
  return &report;
}

const SpanRecord* SpanOf(const void* pointer, std::size_t length) {
  span = {Address(pointer), static_cast<int32_t>(length)};
  return &span;
}

// The page's numbers and best run as a record, or nothing when they are not one: counts must be
// whole numbers from 0 up, and within the game's limit, and the run a code, which the kept file's
// rule decides.
std::optional<records::Record> RecordOf(double best, double runs, double clears,
                                        std::string_view bestRun) {
  records::KeyValueText entries;
  const auto put = [&entries](const char* key, double value) {
    if (!(value >= 0 && value <= 9.0e18) || value != std::floor(value)) return false;
    entries.Set(key, std::to_string(static_cast<int64_t>(value)));
    return true;
  };
  if (!put("runs", runs) || !put("clears", clears)) return std::nullopt;
  if (!std::isnan(best) && !put("best", best)) return std::nullopt;
  if (!bestRun.empty()) entries.Set("best_run", bestRun);
  return records::RecordFromText(entries, nullptr);
}

}  // namespace

extern "C" {

// Starts the game at a client size: a stepped page on the virtual clock from the seed. Once the
// exit command has ended it, the same call starts it afresh, as a new launch (start-up and
// fade-in included); while it runs, the call changes nothing.
EMSCRIPTEN_KEEPALIVE const ReportRecord* skelvar_create(int stepped, uint32_t seed, int32_t width,
                                                        int32_t height) {
  if (page != nullptr && !page->run().game().Closed()) return Report({});
  if (page != nullptr) page->~PageRun();
  page = new (runStorage.data()) PageRun(stepped != 0, seed, width, height, pageRecord);
  return Report({});
}

// Every input of the page, by PageInput: a and b as the kind says.
EMSCRIPTEN_KEEPALIVE const ReportRecord* skelvar_input(int kind, int32_t a, int32_t b) {
  if (kind < 0 || kind >= PageInputCount) return Report({});
  bool clicked = false;
  const tick::Happened h = page->Input(static_cast<PageInput>(kind), a, b, clicked);
  return Report(h, clicked);
}

// The timers due at `now`, performance.now()'s milliseconds; in a stepped page, tick `now`.
EMSCRIPTEN_KEEPALIVE const ReportRecord* skelvar_advance(double now) {
  return Report(page->Advance(now));
}

// The frame for the display's moment `now`: a game tick due by then runs first; the report says
// whether the frame buffer holds a frame between ticks, or the draw list is to be shown as it is.
EMSCRIPTEN_KEEPALIVE const ReportRecord* skelvar_frame(double now) {
  const tick::Happened h = page->CatchUp(now);
  const bool between = page->Blends();
  if (between) {
    blended = page->Frame(now);
    Fill(frameBuffer, blended, blended.text, blended.lineText, blended.noteText);
  }
  return Report(h, false, between);
}

// The journal of the launch so far as the replay tool's script (a stepped page keeps it); empty
// once it is no longer whole.
EMSCRIPTEN_KEEPALIVE const SpanRecord* skelvar_journal() {
  text = PageScript(page->run().launch());
  return SpanOf(text.data(), text.size());
}

// The code of the player's last run, to keep; empty before any run or for one too long.
EMSCRIPTEN_KEEPALIVE const SpanRecord* skelvar_last_run() {
  text = page->run().LastRunCode().value_or(std::string());
  return SpanOf(text.data(), text.size());
}

// The player's record given as numbers (best NaN for none), used as RecordUse says. Gives the
// record back (merged, for Merge), or valid 0 when the numbers are not a record.
EMSCRIPTEN_KEEPALIVE const PlayerRecord* skelvar_record(int use, double best, double runs,
                                                        double clears) {
  playerBuffer = {0, std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 0};
  const std::optional<std::string_view> run = TextIn(MaxRunCodeChars);
  std::optional<records::Record> given;
  if (run) given = RecordOf(best, runs, clears, *run);
  if (!given || (page == nullptr && static_cast<RecordUse>(use) != RecordUse::Check)) {
    return &playerBuffer;
  }
  records::Record out = *given;
  switch (static_cast<RecordUse>(use)) {
    case RecordUse::Check:
      break;
    case RecordUse::Kept:
      // A best run kept by another launch or tab is raced from the next run, as one given at
      // start-up is.
      if (out.bestRun != pageRecord.bestRun && !out.bestRun.empty()) {
        if (std::optional<tick::CodedRun> best = tick::DecodeRun(out.bestRun)) {
          page->run().Race(
              std::make_unique<tick::Ghost>(std::move(best->journal), page->measurer()));
        }
      }
      pageRecord = out;
      page->run().records().Refresh(out);
      break;
    case RecordUse::Merge:
      out = records::Merged(out, page->run().records().Unsaved());
      break;
    case RecordUse::Saved:
      pageRecord = out;
      page->run().records().Saved(out);
      break;
    default:
      return &playerBuffer;
  }
  // The menu's record line may have changed, and the list follows the scene only on a call into
  // the running game.
  if (page != nullptr) {
    page->run().ShowGhost(page->run().GhostShown());
    Report({});
  }
  bestRunOut = out.bestRun;
  playerBuffer = {1,
                  out.best ? static_cast<double>(*out.best) : playerBuffer.best,
                  static_cast<double>(out.runs),
                  static_cast<double>(out.clears),
                  static_cast<double>(Address(bestRunOut.data())),
                  static_cast<double>(bestRunOut.size())};
  return &playerBuffer;
}

// The run code the page handed in (a bare code, or a link holding run=CODE in its fragment),
// watched in place of the player's game from now on; with `link`, the page's address, which
// changes nothing when it holds no run. A text that is no run this game can play, or one given
// while the player's game is not at its menu, is refused with a passing note.
EMSCRIPTEN_KEEPALIVE const ReportRecord* skelvar_watch(int link) {
  const std::optional<std::string_view> given =
      TextIn(MaxRunCodeChars + tick::MaxRunLinkPrefixChars + 64);
  if (link != 0 && given && !tick::LinkedRunCode(*given)) return Report({});
  // A text too long to be a run is refused as an empty one is.
  page->Watch(given.value_or(std::string_view()));
  tick::Happened h;
  h.pictureChanged = true;
  return Report(h);
}

// The code of the player's run that has just ended, to share; empty when no run has ended, or
// the run is too long for a code (a note then says so).
EMSCRIPTEN_KEEPALIVE const SpanRecord* skelvar_share() {
  shareCode = page->session().Share().value_or(std::string());
  return SpanOf(shareCode.data(), shareCode.size());
}

// The run code the page handed in, raced from the player's next run on; 0 for a text that is no
// run this game can play.
EMSCRIPTEN_KEEPALIVE int skelvar_race() {
  const std::optional<std::string_view> given = TextIn(MaxRunCodeChars);
  std::optional<tick::CodedRun> run = given ? tick::DecodeRun(*given) : std::nullopt;
  if (!run) return 0;
  page->run().Race(std::make_unique<tick::Ghost>(std::move(run->journal), page->measurer()));
  return 1;
}

// Whether a raced run's girl is drawn behind the player's.
EMSCRIPTEN_KEEPALIVE const ReportRecord* skelvar_ghost(int shown) {
  page->run().ShowGhost(shown != 0);
  tick::Happened h;
  h.pictureChanged = true;
  return Report(h);
}

// Renders one cue's sound at 48 kHz; the samples stay until the next call.
EMSCRIPTEN_KEEPALIVE const SpanRecord* skelvar_render_cue(int cue) {
  if (cue < 0 || cue >= CueCount) return SpanOf(nullptr, 0);
  cueSamples.assign(static_cast<size_t>(synth::CueLength(static_cast<Cue>(cue))), 0);
  synth::RenderCue(static_cast<Cue>(cue), cueSamples);
  return SpanOf(cueSamples.data(), cueSamples.size());
}

// How a viewport of width x height CSS pixels shows the game: the design fits the viewport less
// the margins kept clear on both sides (a notch's), and the logic's client area then covers the
// whole viewport at that scale, with the play area centred in it.
EMSCRIPTEN_KEEPALIVE const LayoutRecord* skelvar_layout(double width, double height, double marginX,
                                                        double marginY) {
  const ViewScale view = FitToScreen(static_cast<int32_t>(std::max(1.0, width - marginX)),
                                     static_cast<int32_t>(std::max(1.0, height - marginY)));
  double clientWidth = view.clientWidth;
  double clientHeight = view.clientHeight;
  if (marginX > 0 || marginY > 0) {
    clientWidth = std::max(1.0, std::round(width / view.scale));
    clientHeight = std::max(1.0, std::round(height / view.scale));
  }
  const PixelRect area =
      PlayAreaPlace(static_cast<int32_t>(clientWidth), static_cast<int32_t>(clientHeight));
  layoutBuffer = {view.scale,
                  clientWidth,
                  clientHeight,
                  static_cast<double>(area.left),
                  static_cast<double>(area.top),
                  static_cast<double>(area.width),
                  static_cast<double>(area.height)};
  return &layoutBuffer;
}

// What a finger at a client point does (the values of TouchZone).
EMSCRIPTEN_KEEPALIVE int skelvar_touch_zone(int32_t x, int32_t y) {
  return static_cast<int>(TouchZoneAt(page->run().game(), x, y));
}

// The game's monotonic clock in seconds, which stands still while the page is hidden; for tests.
EMSCRIPTEN_KEEPALIVE double skelvar_seconds() {
  return page->clock().MonotonicSeconds();
}

// The run state and scene as one line of JSON, the replay tool's format; for tests.
EMSCRIPTEN_KEEPALIVE const SpanRecord* skelvar_state_json(double tick) {
  tick::WriteStateJson(page->Shown().game(), static_cast<int64_t>(tick), text);
  return SpanOf(text.data(), text.size());
}

}  // extern "C"
