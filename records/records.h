// The player's record and settings as values, their lines in a kept file, and how two windows'
// records come together.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "records/key_value_text.h"

namespace skelvar::records {

// The best clear time in whole seconds (as the result text showed it), and how many runs were
// started and how many cleared.
struct Record {
  std::optional<int64_t> best;
  int64_t runs = 0;
  int64_t clears = 0;
  bool operator==(const Record&) const = default;
};

struct Settings {
  bool muted = false;
  bool operator==(const Settings&) const = default;
};

// A record kept on disk together with what a window added since it last saved: the better best
// time, and the counts added up.
Record Merged(const Record& kept, const Record& added);

// The record in a file's entries: missing keys count as nothing yet; a value that is not a
// count makes the file damaged (nothing, with `why`).
std::optional<Record> RecordFromText(const KeyValueText& text, std::string* why);
void PutRecord(const Record& record, KeyValueText& text);

std::optional<Settings> SettingsFromText(const KeyValueText& text, std::string* why);
void PutSettings(const Settings& settings, KeyValueText& text);

}  // namespace skelvar::records
