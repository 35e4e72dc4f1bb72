// Follows a window's runs for the player's record: every run started and every clear time shown, as
// the game notes them, is added to what the window has not saved yet, and the menu's line shows the
// record as it stands.
#pragma once

#include "game/game_main.h"
#include "records/records.h"

namespace skelvar::records {

class RecordKeeper {
 public:
  // The record as the store holds it at start; the menu shows its line from now on.
  RecordKeeper(TGameMain& game, const Record& kept);

  // What the game noted after a tick or an input event, with the code of the run a clear time
  // belongs to. Returns whether the record changed, that is whether there is something to save.
  bool Observe(const Happenings& happened, std::string_view run = {});

  // What this window added since its last save.
  const Record& Unsaved() const { return unsaved_; }
  // The record as the store now holds it, the window's additions and other windows' merged:
  // nothing is left unsaved.
  void Saved(const Record& kept);
  // The record as another window left it in the store; what this one has not saved stays.
  void Refresh(const Record& kept);
  // The record the menu shows: what is kept plus what is not saved yet.
  Record Shown() const { return Merged(kept_, unsaved_); }
  // Whether the last clear beat the best time before it; until the next run starts.
  bool NewBest() const { return newBest_; }

 private:
  void ShowLine();

  TGameMain& game_;
  Record kept_;
  Record unsaved_;
  bool newBest_ = false;
  int64_t lastClear_ = 0;
};

}  // namespace skelvar::records
