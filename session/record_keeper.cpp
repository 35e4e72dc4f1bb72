#include "session/record_keeper.h"

#include "game/texts.h"

namespace skelvar::session {

RecordKeeper::RecordKeeper(TGameMain& game, const Record& kept)
    : game_(game), kept_(kept), seenRuns_(game.RunsStarted), seenClears_(game.ClearsShown) {
  ShowLine();
}

bool RecordKeeper::Observe() {
  bool changed = false;
  if (game_.RunsStarted != seenRuns_) {
    unsaved_.runs += game_.RunsStarted - seenRuns_;
    seenRuns_ = game_.RunsStarted;
    newBest_ = false;
    changed = true;
  }
  if (game_.ClearsShown != seenClears_) {
    const Record before = Shown();
    const int64_t seconds = game_.LastClearSeconds;
    unsaved_.clears += game_.ClearsShown - seenClears_;
    seenClears_ = game_.ClearsShown;
    if (!unsaved_.best || seconds < *unsaved_.best) unsaved_.best = seconds;
    newBest_ = !before.best || seconds < *before.best;
    lastClear_ = seconds;
    changed = true;
  }
  if (changed) ShowLine();
  return changed;
}

void RecordKeeper::Saved(const Record& kept) {
  kept_ = kept;
  unsaved_ = Record{};
  ShowLine();
}

void RecordKeeper::Refresh(const Record& kept) {
  kept_ = kept;
  // Another window's better time makes this one's latest clear no longer the best.
  if (newBest_ && kept.best && *kept.best < lastClear_) newBest_ = false;
  ShowLine();
}

void RecordKeeper::ShowLine() {
  const Record shown = Shown();
  if (!shown.best) {
    game_.SetRecordLine({});
    return;
  }
  game_.SetRecordLine(WithNumber(newBest_ ? NewBestTimeText : BestTimeText, *shown.best).view());
}

}  // namespace skelvar::session
