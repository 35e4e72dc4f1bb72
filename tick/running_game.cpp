#include "tick/running_game.h"

#include "run/ghost.h"
#include "run/run_code.h"

namespace skelvar::tick {

void Happened::Add(const Happened& later) {
  cues |= later.cues;
  ticked = ticked || later.ticked;
  faded = faded || later.faded;
  pictureChanged = pictureChanged || later.pictureChanged;
  recordChanged = recordChanged || later.recordChanged;
  runStarted = runStarted || later.runStarted;
  backAtMenu = backAtMenu || later.backAtMenu;
  closed = closed || later.closed;
}

double RunningGame::ClockNote::Read(bool days) {
  double value = 0.0;
  if (next_ < played_.size() && played_[next_].days == days) {
    value = played_[next_++].value;
  } else {
    value = days ? inner_.LocalDateTimeDays() : inner_.MonotonicSeconds();
  }
  if (keep_ && !journal_.full) {
    if (journal_.clockReads.size() < Journal::MaxClockReads) {
      journal_.clockReads.push_back({days, value});
    } else {
      journal_.full = true;
    }
  }
  return value;
}

RunningGame::RunningGame(Clock& clock, Random& random, const TextMeasurer& measurer,
                         const Options& options, const ImageCatalogue& catalogue)
    : clock_(clock, options.playedClock, journal_, options.keepJournal),
      random_(random),
      game_(clock_, random_, measurer, catalogue),
      measurer_(measurer),
      repeatHeldKeys_(options.repeatHeldKeys),
      keepJournal_(options.keepJournal),
      keepRecord_(options.keepRecord),
      records_(game_, options.kept),
      cues_(game_) {
  playback_ = options.playback;
  game_.scene.window.clientWidth = options.clientWidth;
  game_.scene.window.clientHeight = options.clientHeight;
  game_.FormCreate();
  cues_.Reset(game_);
  game_.TakeHappenings();
  lists_.Reset(List());
  journal_.seed = random_.seed();
  journal_.clientWidth = options.clientWidth;
  journal_.clientHeight = options.clientHeight;
  if (!options.kept.bestRun.empty()) {
    // A best run this version cannot play is no ghost, and the record keeps it as it is.
    if (std::optional<CodedRun> best = DecodeRun(options.kept.bestRun)) {
      Race(std::make_unique<Ghost>(std::move(best->journal), measurer_));
    }
  }
  if (keepJournal_) {
    journal_.events.reserve(4096);
    // Reserved whole, so that a run's start in a tick never allocates.
    journal_.clockReads.reserve(Journal::MaxClockReads);
  }
}

RunningGame::~RunningGame() = default;

void RunningGame::Race(std::unique_ptr<Ghost> ghost) {
  ghost_ = std::move(ghost);
  if (ghost_ && !ghost_->HasRun()) ghost_.reset();
}

void RunningGame::ShowGhost(bool shown) {
  ghostShown_ = shown;
  const DrawList list = List();
  if (!(list == lists_.current())) lists_.Reset(list);
}

bool RunningGame::SetNote(std::string_view text) {
  note_.assign(text);
  noteSize_ = text.empty() ? TextSize{} : measurer_.Measure(note_.view());
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
}

void RunningGame::Note(EventKind kind, int32_t a, int32_t b) {
  if (!keepJournal_ || journal_.full) return;
  if (journal_.events.size() >= Journal::MaxEvents) {
    journal_.full = true;
    return;
  }
  journal_.events.push_back({journal_.ticks + 1, kind, a, b});
}

void RunningGame::Deliver(EventKind kind, int32_t a, int32_t b, double nowMs) {
  switch (kind) {
    case EventKind::KeyDown:
      game_.SourceKeyDown(b, a);
      if (repeatHeldKeys_) repeats_.Press(b, a, nowMs / 1000.0);
      break;
    case EventKind::KeyUp:
      game_.SourceKeyUp(b, a);
      repeats_.Release(b, a);
      break;
    case EventKind::MouseMove:
      game_.MouseMove(a, b);
      break;
    case EventKind::Click:
      game_.MouseClick(a, b);
      break;
    case EventKind::Resize:
      game_.scene.window.clientWidth = a;
      game_.scene.window.clientHeight = b;
      game_.FormResize();
      break;
  }
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
  Took(taken, h);
  if (game_.Closed()) h.closed = true;
  const DrawList list = List();
  if (!(list == lists_.current())) {
    lists_.Reset(list);
    h.pictureChanged = true;
  }
}

void RunningGame::Took(const Happenings& taken, Happened& h) {
  if (taken.clearSeconds >= 0) lastClearSeconds_ = taken.clearSeconds;
  // A clear time comes with the run that made it, for the record to keep should it be the best.
  std::string run;
  if (taken.clearSeconds >= 0 && keepJournal_) {
    run = EncodeRun(journal_, taken.clearSeconds).value_or(std::string());
  }
  if (keepRecord_ && records_.Observe(taken, run)) h.recordChanged = true;
  // A new best is raced from the next run on.
  if (!run.empty() && records_.NewBest() && records_.Unsaved().bestRun == run) {
    Race(std::make_unique<Ghost>(journal_, measurer_));
  }
  if (taken.Has(Happening::RunStarted)) {
    h.runStarted = true;
    if (ghost_) ghost_->Restart();
  }
  if (taken.Has(Happening::BackToMenu) && game_.GameState == StateMenu) h.backAtMenu = true;
}

void RunningGame::RunGameTick(double nowMs, Happened& h) {
  // A played-back run's events of this tick, as a script's come before its tick.
  for (; playback_ != nullptr && played_ < playback_->events.size() &&
         playback_->events[played_].tick <= journal_.ticks + 1;
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
  ++journal_.ticks;
  h.ticked = true;
  const Happenings taken = cues_.Take(game_);
  Took(taken, h);
  if (ghost_ && taken.Has(Happening::Stepped)) ghost_->Step();
  h.cues |= cues_.Tick(game_);
  if (game_.Closed()) h.closed = true;
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
