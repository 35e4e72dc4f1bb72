// The running game: the one object every frontend runs the game through. It owns the main window's
// logic, its two timers on the live schedule, the repeats of keys that touch and controllers hold,
// the sounds and the record changes each tick calls for, the draw lists of the last two game ticks
// for frames between them, and the journal of every input event it was fed. A frontend translates
// its platform's events into Feed, calls Advance when a timer is due, and paints, plays and stores
// what they hand back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "game/cue.h"
#include "game/draw_list.h"
#include "game/draw_list_blend.h"
#include "game/game_main.h"
#include "game/key_repeat.h"
#include "game/sound_cues.h"
#include "records/record_keeper.h"
#include "tick/journal.h"
#include "tick/live_schedule.h"
#include "tick/timed_event.h"

namespace skelvar::tick {

class Ghost;

// What a call into the running game made happen, for the frontend to paint, play and store.
struct Happened {
  CueSet cues = 0;              // the sounds of the game tick that ran
  bool ticked = false;          // a game tick ran
  bool faded = false;           // the fade-in moved on: the window's opacity changed
  bool pictureChanged = false;  // the draw list changed
  bool recordChanged = false;   // the record has something new to keep
  bool runStarted = false;      // a run started
  bool backAtMenu = false;      // the menu came back: a run is over
  bool closed = false;          // the window closed: the game is over

  void Add(const Happened& later) {
    cues |= later.cues;
    ticked = ticked || later.ticked;
    faded = faded || later.faded;
    pictureChanged = pictureChanged || later.pictureChanged;
    recordChanged = recordChanged || later.recordChanged;
    runStarted = runStarted || later.runStarted;
    backAtMenu = backAtMenu || later.backAtMenu;
    closed = closed || later.closed;
  }
};

class RunningGame {
 public:
  struct Options {
    int32_t clientWidth = 944;
    int32_t clientHeight = 542;
    // Touch and controller keys come back while held, as a keyboard's do; a played-back journal
    // holds those repeats already and turns this off.
    bool repeatHeldKeys = true;
    // Long soaks keep no journal.
    bool keepJournal = true;
    // The whole launch's events are kept too, from start-up on, for a stepped page whose checks
    // play its launch again natively.
    bool keepLaunch = false;
    // A run that only reads the state (a verdict, the replay tool without frames or sound) turns
    // this off: no draw lists, no sound cues and no raced ghost, none of which the state depends
    // on. Happened then never holds cues or pictureChanged, and Frame and CurrentList are empty.
    bool paints = true;
    // A watched run is not the player's: its runs and clear times change no record, and its menu
    // shows the record line as given.
    bool keepRecord = true;
    // The player's record as kept when the game starts.
    records::Record kept;
    // Readings of the clock a recorded run took, given back in their turn instead of the clock's
    // own, so that a played-back run shows the clear time it showed when it was played.
    std::vector<ClockRead> playedClock;
    // A recorded run played back as it was played: its events go in before each game tick they
    // were stamped with, its clock readings are given back, and no other input is taken.
    const Journal* playback = nullptr;
    // Where a recorded run starts: the game starts the run there at once, after start-up.
    const RunStart* runStart = nullptr;
  };
  // The options that play a recorded run or launch back with its events given tick by tick from
  // outside (no journal kept, no repeats of its own).
  static Options Replaying(const Journal& recorded);

  // The clock, the random generator and the measure must outlive the running game. Start-up
  // (FormCreate) runs here, at the given client size; the kept record's best run, when it has
  // one, is raced from the first run on.
  RunningGame(Clock& clock, Random& random, const TextMeasurer& measurer, const Options& options,
              const ImageCatalogue& catalogue = ShippedCatalogue());
  RunningGame(const RunningGame&) = delete;
  RunningGame& operator=(const RunningGame&) = delete;
  ~RunningGame();

  TGameMain& game() { return game_; }
  const TGameMain& game() const { return game_; }
  records::RecordKeeper& records() { return records_; }
  // The record of the run under way; without a start when no run is.
  const Journal& journal() const { return journal_; }
  // The run under way, or else the last one that was left; null before any run started.
  const Journal* LastRun() const;
  // Its code; none before any run, or for a run too long for a code (`why` then says so).
  std::optional<std::string> LastRunCode(std::string* why = nullptr) const;
  // The whole launch so far, kept only with Options::keepLaunch.
  const Journal& launch() const { return launch_; }

  // The timers take in the window's switches at `nowMs` (milliseconds on a monotonic clock): a
  // timer switched on counts its periods from then. The first call starts them.
  void Follow(double nowMs);
  // No timer runs until the next Follow, which starts them afresh (a hidden page, say).
  void Pause() { timers_.Pause(); }

  // One input event, handed to the game at once and noted in the journal for the next game tick.
  // Keys carry their source in b (the keyboard, the touch screen or a controller slot).
  Happened Feed(EventKind kind, int32_t a, int32_t b, double nowMs);
  // A source lets go of every key it holds (focus lost, a controller unplugged).
  Happened ReleaseSource(int source, double nowMs);
  // Runs every timer due at nowMs, in the tick's order: the fade, then the game's tick.
  Happened Advance(double nowMs);

  const LiveSchedule& schedule() const { return timers_; }
  // When the next timer is due; none when no timer runs.
  std::optional<double> NextDeadline() const { return timers_.NextDeadline(); }
  // Whether Advance(nowMs) would run a game tick: the frontend reads its controllers before it.
  bool TickDue(double nowMs) const {
    return !game_.Closed() && game_.scene.timGame.enabled && timers_.Due(TimerId::Game, nowMs);
  }
  // Whether anything moves between the last two game ticks.
  bool Moving() const { return lists_.Moving(); }
  const DrawList& CurrentList() const { return lists_.current(); }
  // The frame at nowMs, placed between the last two game ticks, at `scale` pixels a unit.
  BlendedList Frame(double nowMs, double scale = 1.0) const;
  // Game ticks run so far.
  int64_t ticks() const { return ticks_; }

  // A recorded run to race from the next run's start on (none: no ghost), and whether its girl
  // is drawn. The live game never depends on it.
  void Race(std::unique_ptr<Ghost> ghost);
  void ShowGhost(bool shown);
  bool GhostShown() const { return ghostShown_; }

  // A frontend's note on its plaque (empty: none), over the game's picture; whether the picture
  // changed.
  bool SetNote(std::string_view text);
  // Whether a played-back run has played all its ticks.
  bool PlayedBack() const { return playback_ != nullptr && ticks_ >= playback_->ticks; }
  // The clear time the last result showed, -1 when none has shown.
  int64_t lastClearSeconds() const { return lastClearSeconds_; }

 private:
  // Gives back a recorded run's readings of the clock, and remembers the last monotonic one for
  // the clear time a record keeps.
  class ClockNote final : public Clock {
   public:
    ClockNote(Clock& inner, std::vector<ClockRead> played)
        : inner_(inner), played_(std::move(played)) {}
    double LocalDateTimeDays() override { return Read(true); }
    double MonotonicSeconds() override { return lastMonotonic_ = Read(false); }
    std::optional<uint64_t> PerformanceCounter() override { return inner_.PerformanceCounter(); }
    uint32_t TickCountMs() override { return inner_.TickCountMs(); }
    double lastMonotonic() const { return lastMonotonic_; }

   private:
    double Read(bool days);

    Clock& inner_;
    std::vector<ClockRead> played_;
    std::size_t next_ = 0;
    double lastMonotonic_ = 0.0;
  };

  // Remembers the seed start-up gives the generator, for the journal.
  class SeedNote final : public Random {
   public:
    explicit SeedNote(Random& inner) : inner_(inner) {}
    void Seed(uint32_t seed) override {
      seed_ = seed;
      inner_.Seed(seed);
    }
    int32_t Below(int32_t n) override { return inner_.Below(n); }
    uint64_t Draws() const override { return inner_.Draws(); }
    void Skip(uint64_t draws) override { inner_.Skip(draws); }
    uint32_t seed() const { return seed_; }

   private:
    Random& inner_;
    uint32_t seed_ = 0;
  };

  void Note(EventKind kind, int32_t a, int32_t b);
  void Deliver(EventKind kind, int32_t a, int32_t b, double nowMs);
  // After any handler: what the game noted goes to the record and the next tick's sounds, and a
  // changed scene shows at once.
  void AfterHandler(Happened& h);
  // What the game noted, for the record and for what is handed back.
  // `inTick`: whether a game tick is under way, whose step then counts as the run's first.
  void Took(const Happenings& taken, Happened& h, bool inTick);
  // The record of a run that started now, and the one before kept as the last run.
  void BeginRecord(bool inTick);
  void EndRecord();
  // The record's tick at which the fade moves next, against the game timer's next tick.
  int32_t FadeTick() const;
  void RunGameTick(double nowMs, Happened& h);
  // The scene's draw list, the raced girl in it while she is shown.
  DrawList List() const;

  Journal journal_;
  Journal lastRun_;
  Journal launch_;
  bool keepLaunch_ = false;
  int64_t ticks_ = 0;
  ClockNote clock_;
  SeedNote random_;
  TGameMain game_;
  const TextMeasurer& measurer_;
  const ImageCatalogue& catalogue_;
  // A recorded run's fade, resumed once the timers start.
  int32_t pendingFadeTick_ = 0;
  bool repeatHeldKeys_;
  bool keepJournal_;
  bool paints_;
  bool keepRecord_;
  records::RecordKeeper records_;
  LiveSchedule timers_;
  KeyRepeat repeats_;
  CueTracker cues_;
  TickDrawLists lists_;
  std::unique_ptr<Ghost> ghost_;
  bool ghostShown_ = true;
  LabelText note_;
  TextSize noteSize_;
  const Journal* playback_ = nullptr;
  std::size_t played_ = 0;
  int64_t lastClearSeconds_ = -1;
};

}  // namespace skelvar::tick
