// The player's record and settings as values, their lines in a kept file, and how two windows'
// records come together.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game/logic_version.h"
#include "records/key_value_text.h"

namespace skelvar::records {

// The best clear time in whole seconds (as the result text showed it), how many runs were started
// and how many cleared, and the run code of the run that made the best time (empty when it is not
// known), which the next runs race.
struct Record {
  std::optional<int64_t> best;
  int64_t runs = 0;
  int64_t clears = 0;
  std::string bestRun{};
  bool operator==(const Record&) const = default;
};

// Whether the sound is off, and whether the best run's ghost is drawn.
struct Settings {
  bool muted = false;
  bool ghost = true;
  bool operator==(const Settings&) const = default;
};

// A record kept on disk together with what a window added since it last saved: the better best
// time with its run (the kept one's on a tie), and the counts added up.
Record Merged(const Record& kept, const Record& added);

// The record in a file's entries: missing keys count as nothing yet; a value that is not a
// count makes the file damaged (nothing, with `why`).
std::optional<Record> RecordFromText(const KeyValueText& text, std::string* why);
void PutRecord(const Record& record, KeyValueText& text);

std::optional<Settings> SettingsFromText(const KeyValueText& text, std::string* why);
void PutSettings(const Settings& settings, KeyValueText& text);

}  // namespace skelvar::records
