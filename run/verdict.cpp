#include "run/verdict.h"

#include <optional>
#include <vector>

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "run/run_code.h"
#include "run/run_id.h"
#include "tick/run_start.h"
#include "tick/run_tick.h"
#include "tick/running_game.h"
#include "tick/virtual_clock.h"

namespace skelvar::run {
namespace {

using tick::ClockRead;
using tick::Journal;

// Gives the game the readings its record keeps, in their turn; the seed stands in for the counter.
class RecordedClock final : public Clock {
 public:
  RecordedClock(uint32_t seed, std::vector<ClockRead> reads)
      : seed_(seed), reads_(std::move(reads)) {}
  double LocalDateTimeDays() override { return Read(true); }
  double MonotonicSeconds() override { return Read(false); }
  std::optional<uint64_t> PerformanceCounter() override { return seed_; }
  uint32_t TickCountMs() override { return 0; }

 private:
  double Read(bool days) {
    if (next_ < reads_.size() && reads_[next_].days == days) return reads_[next_++].value;
    return 0.0;
  }
  uint32_t seed_;
  std::vector<ClockRead> reads_;
  std::size_t next_ = 0;
};

// An older code holds the launch up to its run: played through as it was, its last run is taken
// as the game records runs now.
std::optional<Journal> LastRunOf(const Journal& launch) {
  tick::VirtualClock clock(launch.seed);
  Mt19937Random random;
  FixedTextMeasurer measurer;
  tick::RunningGame::Options options = tick::RunningGame::Replaying(launch);
  options.keepJournal = true;
  options.paints = false;
  tick::RunningGame game(clock, random, measurer, options);
  tick::EventSpan events(launch.events);
  for (int64_t k = 1; k <= launch.ticks && !game.game().Closed(); ++k) {
    tick::RunTick(game, clock, k, events);
  }
  const Journal* run = game.LastRun();
  if (run == nullptr) return std::nullopt;
  return *run;
}

// Plays the run's steps with nothing drawn, heard or kept, up to its contact's result or its end.
Verdict Play(const Journal& run) {
  Verdict v;
  RecordedClock clock(run.seed, tick::PlayedClock(run));
  Mt19937Random random;
  const FixedTextMeasurer measurer;
  TGameMain game(clock, random, measurer);
  game.scene.window.clientWidth = run.clientWidth;
  game.scene.window.clientHeight = run.clientHeight;
  game.FormCreate();
  tick::ApplyRunStart(game, random, *run.start);
  game.TakeHappenings();
  int64_t contactTick = 0;
  std::size_t next = 0;
  const std::size_t count = run.events.size();
  for (int64_t k = 1; k <= run.ticks; ++k) {
    for (; next < count && run.events[next].tick <= k && !game.Closed(); ++next) {
      const tick::TimedEvent& e = run.events[next];
      tick::DeliverEvent(game, e.kind, e.a, e.b);
    }
    if (!game.Closed() && game.GameState != StateMenu) game.timGameTimer();
    const Happenings happened = game.TakeHappenings();
    if (happened.Has(Happening::Stepped)) ++v.ticks;
    if (contactTick == 0 && (game.GameState == StateOutcome || game.GameState == StateFinished)) {
      contactTick = k;
      v.actor = game.HitIndex;
      v.cleared = Outcome[game.HitIndex] == 1;
      v.ended = v.cleared ? RunEnd::Goal : RunEnd::Actor;
    }
    if (happened.clearSeconds >= 0) v.seconds = happened.clearSeconds;
    // The record is this one run: left for the menu, the window closed or a new run started, it
    // has nothing more to say; nor once the result has shown.
    const bool left = game.GameState == StateMenu || happened.Has(Happening::RunStarted);
    if (game.Closed() || left || happened.Has(Happening::ResultShown)) {
      if (contactTick == 0) v.ended = game.Closed() ? RunEnd::Closed : RunEnd::Menu;
      break;
    }
  }
  v.events = static_cast<int64_t>(count);
  v.id = RunId(tick::run_code::CanonicalBytes(run, contactTick > 0 ? contactTick : run.ticks));
  return v;
}

}  // namespace

const char* EndName(RunEnd end) {
  switch (end) {
    case RunEnd::Goal:
      return "goal";
    case RunEnd::Actor:
      return "actor";
    case RunEnd::Menu:
      return "menu";
    case RunEnd::Closed:
      return "closed";
    case RunEnd::Playing:
      return "playing";
  }
  return "playing";
}

std::optional<Verdict> Judge(std::string_view text, std::string* why, bool recode) {
  std::optional<tick::CodedRun> coded = tick::DecodeRun(text, why);
  if (!coded) return std::nullopt;
  std::optional<Journal> run;
  if (coded->journal.start) {
    run = std::move(coded->journal);
  } else {
    run = LastRunOf(coded->journal);
    if (!run) {
      if (why != nullptr) *why = "the run code holds no run (nothing in it starts one)";
      return std::nullopt;
    }
  }
  Verdict v = Play(*run);
  v.format = coded->format;
  v.logic = PlayLogicVersion;
  if (recode) v.code = tick::EncodeRun(*run).value_or(std::string());
  return v;
}

std::string ErrorJson(std::string_view reason) {
  std::string out = "{\"error\": \"";
  for (const char c : reason) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (u < 0x20 || u == 0x7F) {
      constexpr std::string_view hex = "0123456789abcdef";
      out.append("\\u00");
      out.push_back(hex[u >> 4]);
      out.push_back(hex[u & 15]);
    } else {
      out.push_back(c);
    }
  }
  out.append("\"}");
  return out;
}

std::string VerdictJson(const Verdict& v) {
  const auto orNull = [](int64_t n) { return n < 0 ? std::string("null") : std::to_string(n); };
  return std::string("{\"cleared\": ") + (v.cleared ? "true" : "false") + ", \"ended\": \"" +
         EndName(v.ended) + "\", \"actor\": " + orNull(v.actor) +
         ", \"ticks\": " + std::to_string(v.ticks) + ", \"seconds\": " + orNull(v.seconds) +
         ", \"format\": " + std::to_string(v.format) + ", \"logic\": " + std::to_string(v.logic) +
         ", \"events\": " + std::to_string(v.events) + ", \"id\": " +
         (v.id.empty() ? std::string("null") : "\"" + v.id + "\"") + "}";
}

}  // namespace skelvar::run
