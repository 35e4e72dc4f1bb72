#include "sound_cues.h"

#include <cstdlib>

namespace skelvar {
namespace {

constexpr int Dog = 8;
constexpr int Bird = 7;

uint32_t HashText(std::string_view text) {
  uint32_t h = 2166136261u;
  for (char c : text) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

// Near enough to be on screen, or about to be.
bool Near(const TGameMain& game, int i) {
  return std::abs(game.PosX[i] - game.PosX[0]) <= game.scene.pnlGame.width;
}

}  // namespace

CueView ViewForCues(const TGameMain& game) {
  CueView v;
  v.state = game.GameState;
  v.tick = game.TickCount;
  v.hit = game.HitIndex;
  v.startMonotonic = game.StartMonotonic;
  v.playerVy = game.VelY[0];
  v.labelHash = HashText(game.scene.lblMsg.text.view());
  v.labelEmpty = game.scene.lblMsg.text.view().empty();
  v.dogVy = game.VelY[Dog];
  v.dogNear = Near(game, Dog);
  v.birdVy = game.VelY[Bird];
  v.birdNear = Near(game, Bird);
  return v;
}

CueSet CuesOfTick(const CueView& before, const CueView& after) {
  CueSet cues = 0;
  const auto add = [&](Cue c) { cues |= Bit(c); };
  // A run starts from the menu, from the outcome (a click on its picture) or, should a start
  // come twice, from play: a new start time tells that last case apart.
  const bool started =
      after.state == StatePlaying &&
      (before.state != StatePlaying || after.startMonotonic != before.startMonotonic);
  // The step ran when the run goes on, or when it ended in a contact this tick.
  const bool stepped =
      after.state == StatePlaying || (after.state == StateOutcome && before.state == StatePlaying);

  if (started) add(Cue::RunStart);
  if (stepped) {
    if (after.playerVy < 0.0 && (started || before.playerVy == 0.0)) add(Cue::Jump);
    if (!started && before.playerVy > 0.0 && after.playerVy == 0.0) add(Cue::Land);
    if (!started && after.state == StatePlaying && !after.labelEmpty &&
        after.labelHash != before.labelHash) {
      add(Cue::Remark);
    }
    if (!started && after.dogNear && before.dogVy == 0.0 && after.dogVy < 0.0) add(Cue::DogYap);
    if (!started && after.birdNear && before.birdVy <= 0.0 && after.birdVy > 0.0) {
      add(Cue::BirdSwoop);
    }
  }
  if (before.state == StatePlaying && after.state == StateOutcome) {
    add(Outcome[after.hit] == 1 ? Cue::Caught : Cue::Bump);
  }
  if (before.state == StateOutcome && after.state == StateOutcome && after.tick != before.tick) {
    if (after.tick == 5 || after.tick == 45) add(Cue::Whoosh);
    if (after.tick == 45) add(Outcome[after.hit] == 1 ? Cue::Fanfare : Cue::Sting);
  }
  if (before.state != StateMenu && after.state == StateMenu) add(Cue::Menu);
  return cues;
}

}  // namespace skelvar
