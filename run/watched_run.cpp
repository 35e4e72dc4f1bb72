#include "run/watched_run.h"

namespace skelvar::tick {

WatchedRun::WatchedRun(Journal recorded, const TextMeasurer& measurer, const records::Record& shown)
    : journal(std::move(recorded)), clock(journal.seed) {
  RunningGame::Options played = RunningGame::Replaying(journal);
  played.playback = &journal;
  played.keepRecord = false;
  played.kept = shown;
  played.kept.bestRun.clear();
  game.emplace(clock, random, measurer, played);
  game->ShowGhost(false);
}

}  // namespace skelvar::tick
