#include "tick/running_game.h"

#include "run/ghost.h"
#include "run/run_code.h"
#include "tick/run_start.h"

#include <cmath>

namespace skelvar::tick {

double RunningGame::ClockNote::Read(bool days) {
  if (next_ < played_.size() && played_[next_].days == days) return played_[next_++].value;
  return days ? inner_.LocalDateTimeDays() : inner_.MonotonicSeconds();
}

RunningGame::Options RunningGame::Replaying(const Journal& recorded) {
  Options options;
  options.clientWidth = recorded.clientWidth;
  options.clientHeight = recorded.clientHeight;
  options.repeatHeldKeys = false;
  options.keepJournal = false;
  options.playedClock = PlayedClock(recorded);
  if (recorded.start) options.runStart = &*recorded.start;
  return options;
}

RunningGame::RunningGame(Clock& clock, Random& random, const TextMeasurer& measurer,
                         const Options& options, const ImageCatalogue& catalogue)
    : clock_(clock, options.playback != nullptr && options.playedClock.empty()
                        ? PlayedClock(*options.playback)
                        : options.playedClock),
      random_(random),
      game_(clock_, random_, measurer, catalogue),
      measurer_(measurer),
      catalogue_(catalogue),
      repeatHeldKeys_(options.repeatHeldKeys),
      keepJournal_(options.keepJournal),
      paints_(options.paints),
      keepRecord_(options.keepRecord),
      records_(game_, options.kept),
      cues_(game_) {
  playback_ = options.playback;
  const RunStart* runStart = options.runStart;
  if (runStart == nullptr && playback_ != nullptr && playback_->start) runStart = &*playback_->start;
  game_.scene.window.clientWidth = options.clientWidth;
  game_.scene.window.clientHeight = options.clientHeight;
  game_.FormCreate();
  cues_.Reset(game_);
  game_.TakeHappenings();
  journal_.seed = random_.seed();
  keepLaunch_ = options.keepLaunch;
  launch_.seed = random_.seed();
  launch_.clientWidth = options.clientWidth;
  launch_.clientHeight = options.clientHeight;
  if (keepJournal_) {
    journal_.events.reserve(4096);
    lastRun_.events.reserve(4096);
  }
  if (runStart != nullptr) {
    // A recorded run starts at once where it started, its fade where it stood.
    ApplyRunStart(game_, random_, *runStart);
    pendingFadeTick_ = runStart->fadeTick;
    Happened h;
    Took(game_.TakeHappenings(), h, false);
    if (journal_.start) journal_.start->fadeTick = runStart->fadeTick;
  }
  if (paints_) lists_.Reset(List());
  if (paints_ && !options.kept.bestRun.empty()) {
    // A best run this version cannot play is no ghost, and the record keeps it as it is.
    if (std::optional<CodedRun> best = DecodeRun(options.kept.bestRun)) {
      Race(std::make_unique<Ghost>(std::move(best->journal), measurer_));
    }
  }
}

const Journal* RunningGame::LastRun() const {
  if (journal_.start) return &journal_;
  return lastRun_.start ? &lastRun_ : nullptr;
}

std::optional<std::string> RunningGame::LastRunCode(std::string* why) const {
  const Journal* run = LastRun();
  if (run == nullptr) {
    if (why != nullptr) *why = "no run has started";
    return std::nullopt;
  }
  return EncodeRun(*run, -1, why);
}

int32_t RunningGame::FadeTick() const {
  if (!game_.scene.timOpen.enabled || !timers_.Running(TimerId::Fade) ||
      !timers_.Running(TimerId::Game)) {
    return 0;
  }
  // The record's first tick is the game timer's next; the fade moves at the first tick due with
  // or after it.
  const double period = game_.scene.timGame.intervalMs;
  const double ahead = timers_.Deadline(TimerId::Fade) - timers_.Deadline(TimerId::Game);
  return ahead <= 0.0 ? 1 : static_cast<int32_t>(std::ceil(ahead / period)) + 1;
}

void RunningGame::EndRecord() {
  if (!journal_.start) return;
  std::swap(journal_, lastRun_);
  journal_.events.clear();
  journal_.start.reset();
  journal_.ticks = 0;
  journal_.clearMs = -1;
  journal_.full = false;
}

void RunningGame::BeginRecord(bool inTick) {
  if (!keepJournal_) return;
  EndRecord();
  journal_.seed = random_.seed();
  journal_.clientWidth = game_.scene.window.clientWidth;
  journal_.clientHeight = game_.scene.window.clientHeight;
  journal_.start = CaptureRunStart(game_, measurer_, catalogue_, journal_.clientWidth,
                                   journal_.clientHeight);
  journal_.start->fadeTick = FadeTick();
  // A run started by a key in a tick has had its first step in that tick.
  journal_.ticks = inTick ? 1 : 0;
  journal_.clearMs = -1;
}

RunningGame::~RunningGame() = default;

void RunningGame::Race(std::unique_ptr<Ghost> ghost) {
  if (!paints_) return;
  ghost_ = std::move(ghost);
  if (ghost_ && !ghost_->HasRun()) ghost_.reset();
}

void RunningGame::ShowGhost(bool shown) {
  ghostShown_ = shown;
  if (!paints_) return;
  const DrawList list = List();
  if (!(list == lists_.current())) lists_.Reset(list);
}

bool RunningGame::SetNote(std::string_view text) {
  note_.assign(text);
  noteSize_ = text.empty() ? TextSize{} : measurer_.Measure(note_.view());
  if (!paints_) return false;
  const DrawList list = List();
  if (list == lists_.current()) return false;
  lists_.Reset(list);
  return true;
}

DrawList RunningGame::List() const {
  std::optional<Picture> girl;
  if (ghost_ && ghostShown_) girl = ghost_->Girl(game_);
  const skelvar::Note note{note_.view(), noteSize_.width, noteSize_.height};
  return BuildDrawList(game_.scene, ShippedCatalogue(), girl ? &*girl : nullptr,
                       note.text.empty() ? nullptr : &note);
}

void RunningGame::Follow(double nowMs) {
  timers_.Follow(game_.scene, nowMs);
  if (pendingFadeTick_ > 0 && timers_.Running(TimerId::Fade)) {
    timers_.Rephase(TimerId::Fade, nowMs + pendingFadeTick_ * game_.scene.timGame.intervalMs);
  }
  pendingFadeTick_ = 0;
}

void RunningGame::Note(EventKind kind, int32_t a, int32_t b) {
  if (keepLaunch_ && launch_.events.size() < Journal::MaxEvents) {
    launch_.events.push_back({ticks_ + 1, kind, a, b});
  }
  // Only a run is recorded: what is done at the menu belongs to none.
  if (!keepJournal_ || journal_.full || !journal_.start) return;
  if (journal_.events.size() >= Journal::MaxEvents) {
    journal_.full = true;
    return;
  }
  journal_.events.push_back({journal_.ticks + 1, kind, a, b});
}

void RunningGame::Deliver(EventKind kind, int32_t a, int32_t b, double nowMs) {
  DeliverEvent(game_, kind, a, b);
  if (kind == EventKind::KeyDown && repeatHeldKeys_) repeats_.Press(b, a, nowMs / 1000.0);
  if (kind == EventKind::KeyUp) repeats_.Release(b, a);
}

Happened RunningGame::Feed(EventKind kind, int32_t a, int32_t b, double nowMs) {
  Happened h;
  if (game_.Closed()) {
    h.closed = true;
    return h;
  }
  Note(kind, a, b);
  Deliver(kind, a, b, nowMs);
  AfterHandler(h);
  timers_.Follow(game_.scene, nowMs);
  return h;
}

Happened RunningGame::ReleaseSource(int source, double nowMs) {
  Happened h;
  if (game_.Closed()) {
    h.closed = true;
    return h;
  }
  // One release per held key, as a script writes it.
  for (int key : WatchedKeys) {
    if (game_.heldKeys.HeldBy(source, key)) Note(EventKind::KeyUp, key, source);
  }
  game_.ReleaseSource(source);
  repeats_.ReleaseAll(source);
  AfterHandler(h);
  timers_.Follow(game_.scene, nowMs);
  return h;
}

void RunningGame::AfterHandler(Happened& h) {
  const Happenings taken = cues_.Take(game_);
  Took(taken, h, false);
  if (game_.Closed()) h.closed = true;
  if (!paints_) return;
  const DrawList list = List();
  if (!(list == lists_.current())) {
    lists_.Reset(list);
    h.pictureChanged = true;
  }
}

void RunningGame::Took(const Happenings& taken, Happened& h, bool inTick) {
  // Most calls take a step or nothing, which neither the record nor the frontend hears of.
  if (taken.runsStarted == 0 && taken.clearSeconds < 0 && !taken.Has(Happening::RunStarted) &&
      !taken.Has(Happening::BackToMenu)) {
    return;
  }
  if (taken.Has(Happening::RunStarted)) {
    BeginRecord(inTick);
    h.runStarted = true;
    if (ghost_) ghost_->Restart();
  }
  if (taken.clearSeconds >= 0) {
    lastClearSeconds_ = taken.clearSeconds;
    // Measured as the game measured it, so that played back it shows the same whole seconds.
    const double elapsed = std::fabs(clock_.lastMonotonic() - game_.StartMonotonic);
    if (journal_.start) journal_.clearMs = std::llround(elapsed * 1e6) / 1000;
  }
  // A clear time comes with the run that made it, for the record to keep should it be the best.
  std::string run;
  if (taken.clearSeconds >= 0 && journal_.start) {
    run = EncodeRun(journal_, taken.clearSeconds).value_or(std::string());
  }
  if (keepRecord_ && records_.Observe(taken, run)) h.recordChanged = true;
  // A new best is raced from the next run on.
  if (paints_ && !run.empty() && records_.NewBest() && records_.Unsaved().bestRun == run) {
    Race(std::make_unique<Ghost>(journal_, measurer_));
  }
  if (taken.Has(Happening::BackToMenu) && game_.GameState == StateMenu) {
    h.backAtMenu = true;
    EndRecord();
  }
}

void RunningGame::RunGameTick(double nowMs, Happened& h) {
  // A played-back run's events of this tick, as a script's come before its tick.
  for (; playback_ != nullptr && played_ < playback_->events.size() &&
         playback_->events[played_].tick <= ticks_ + 1;
       ++played_) {
    const TimedEvent& e = playback_->events[played_];
    Note(e.kind, e.a, e.b);
    Deliver(e.kind, e.a, e.b, nowMs);
  }
  // Keys still held by touch or a controller come back before the tick reads the keys, as a
  // keyboard's repeats do, and the journal keeps them as the presses they are.
  repeats_.Due(nowMs / 1000.0, [this](int source, int code) {
    Note(EventKind::KeyDown, code, source);
    game_.SourceKeyDown(source, code);
  });
  game_.timGameTimer();
  ++ticks_;
  launch_.ticks = ticks_;
  if (journal_.start) ++journal_.ticks;
  h.ticked = true;
  const Happenings taken = cues_.Take(game_);
  Took(taken, h, true);
  if (game_.Closed()) h.closed = true;
  if (!paints_) {
    // What the game noted goes to no sound; only the record took it.
    cues_.Reset(game_);
    return;
  }
  if (ghost_ && taken.Has(Happening::Stepped)) ghost_->Step();
  h.cues |= cues_.Tick(game_);
  const DrawList list = List();
  if (!(list == lists_.current()) || lists_.Moving()) h.pictureChanged = true;
  lists_.Advance(list);
}

Happened RunningGame::Advance(double nowMs) {
  Happened h;
  for (auto id = timers_.NextDue(nowMs); id && !game_.Closed(); id = timers_.NextDue(nowMs, id)) {
    // A timer switched off since the schedule last looked does not run, though its schedule
    // still counts.
    if (*id == TimerId::Fade && game_.scene.timOpen.enabled) {
      game_.timOpenTimer();
      h.faded = true;
    }
    if (*id == TimerId::Game && game_.scene.timGame.enabled) RunGameTick(nowMs, h);
    timers_.Fired(*id, nowMs);
  }
  if (game_.Closed()) h.closed = true;
  timers_.Follow(game_.scene, nowMs);
  return h;
}

BlendedList RunningGame::Frame(double nowMs, double scale) const {
  return BlendDrawLists(lists_.previous(), lists_.current(), timers_.Fraction(nowMs), scale);
}

}  // namespace skelvar::tick
