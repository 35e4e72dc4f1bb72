// The player's record and settings kept in their files, for the window and the replay tool.
#pragma once

#include <optional>
#include <string>

#include "game/game_main.h"
#include "records/kept_file.h"
#include "records/record_keeper.h"
#include "records/records.h"

namespace skelvar::records {

// The records file, folder/records.
class RecordStore {
 public:
  RecordStore(std::string folder, WarningSink warn);
  // The kept record, or an empty one (no file, a damaged one kept aside, no folder).
  Record Load();
  // Adds a window's unsaved part to the file as it is now; the merged record, or nothing when
  // it cannot be kept.
  std::optional<Record> Add(const Record& unsaved);
  const std::string& path() const { return file_.path(); }

 private:
  KeptFile file_;
};

// The settings file, folder/settings. Save writes only a value that differs from the one loaded
// or last saved, so calling it on every change of the setting is cheap.
class SettingsStore {
 public:
  explicit SettingsStore(WarningSink warn, std::string folder = SettingsFolder());
  Settings Load();
  void Save(const Settings& settings);

 private:
  KeptFile file_;
  Settings last_;
};

// A window's record in its file: loaded at start for the running game's keeper, saved the moment
// the keeper has something new, and read again each time the menu comes back, so that another
// window's record shows there.
class RecordBook {
 public:
  RecordBook(std::string folder, WarningSink warn);
  // The record as the file held it at start.
  const Record& loaded() const { return loaded_; }
  // After a tick or an input event: whether the keeper's record changed, and whether the game
  // came back to the menu.
  void Follow(RecordKeeper& keeper, bool changed, bool backAtMenu);

 private:
  RecordStore store_;
  Record loaded_;
};

}  // namespace skelvar::records
