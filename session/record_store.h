// The player's record and settings kept in their files, for the window and the replay tool.
#pragma once

#include <optional>
#include <string>

#include "game/game_main.h"
#include "session/kept_file.h"
#include "session/record_keeper.h"
#include "session/records.h"

namespace skelvar::session {

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

// A window's record: followed after every tick, saved the moment it changes, shown on the menu.
// Each time the menu comes back the file is read again, so another window's record shows there.
class RecordBook {
 public:
  RecordBook(TGameMain& game, std::string folder, WarningSink warn);
  // After every tick or event that can start a run.
  void Follow();
  const RecordKeeper& keeper() const { return keeper_; }

 private:
  TGameMain& game_;
  RecordStore store_;
  RecordKeeper keeper_;
  bool atMenu_;
};

}  // namespace skelvar::session
