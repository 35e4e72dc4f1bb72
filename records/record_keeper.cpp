#include "records/record_keeper.h"

#include "game/texts.h"

namespace skelvar::records {

RecordKeeper::RecordKeeper(TGameMain& game, const Record& kept) : game_(game), kept_(kept) {
  ShowLine();
}

bool RecordKeeper::Observe(const Happenings& happened, std::string_view run) {
  bool changed = false;
  if (happened.runsStarted > 0) {
    unsaved_ = Merged(unsaved_, {std::nullopt, happened.runsStarted, 0});
    newBest_ = false;
    changed = true;
  }
  if (happened.clearSeconds >= 0) {
    const Record before = Shown();
    const int64_t seconds = happened.clearSeconds;
    unsaved_ = Merged(unsaved_, {std::nullopt, 0, 1});
    if (!unsaved_.best || seconds < *unsaved_.best) {
      unsaved_.best = seconds;
      unsaved_.bestRun = run.size() <= MaxRunCodeChars ? std::string(run) : std::string();
    }
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

}  // namespace skelvar::records
