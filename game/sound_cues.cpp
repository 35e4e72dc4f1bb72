#include "sound_cues.h"

#include <cstdlib>

namespace skelvar {
namespace {

// Near enough to be on screen, or about to be.
bool Near(const TGameMain& game, int i) {
  return i >= 0 && i < ActorCount &&
         std::abs(game.PosX[i] - game.PosX[0]) <= game.scene.pnlGame.width;
}

}  // namespace

CueSet CuesOfTick(const Happenings& happened, int32_t stateBefore, const TGameMain& after) {
  CueSet cues = 0;
  const auto add = [&](Cue c) { cues |= Bit(c); };
  const auto has = [&](Happening h) { return happened.Has(h); };
  // A run started and left again within one tick makes no sound of its own.
  const bool started = has(Happening::RunStarted) && after.GameState == StatePlaying;
  const bool won = Outcome[after.HitIndex] == 1;

  if (started) add(Cue::RunStart);
  if (has(Happening::Stepped)) {
    if (has(Happening::Jumped)) add(Cue::Jump);
    if (!started) {
      if (has(Happening::Landed)) add(Cue::Land);
      if (has(Happening::RemarkShown) && after.GameState == StatePlaying) add(Cue::Remark);
      if (has(Happening::StalkerHopped) && Near(after, happened.hopper)) add(Cue::DogYap);
      if (has(Happening::SwooperDived) && Near(after, happened.diver)) add(Cue::BirdSwoop);
    }
  }
  // A contact in the very step that started a run would have nothing to bump out of.
  if (has(Happening::Contact) && !has(Happening::RunStarted)) add(won ? Cue::Caught : Cue::Bump);
  if (has(Happening::OutcomePicture) && after.GameState == StateOutcome) add(Cue::Whoosh);
  if (has(Happening::ResultShown) && after.GameState == StateOutcome) {
    add(won ? Cue::Fanfare : Cue::Sting);
  }
  if (has(Happening::BackToMenu) && after.GameState == StateMenu && stateBefore != StateMenu) {
    add(Cue::Menu);
  }
  return cues;
}

}  // namespace skelvar
