#include "records/records.h"

#include <algorithm>

namespace skelvar::records {
namespace {

// Far beyond any real count or time, and small enough that adding two never overflows.
constexpr int64_t CountLimit = 1'000'000'000'000;

}  // namespace

Record Merged(const Record& kept, const Record& added) {
  Record out;
  out.best = kept.best;
  if (added.best && (!out.best || *added.best < *out.best)) out.best = added.best;
  out.runs = std::min(kept.runs + added.runs, CountLimit);
  out.clears = std::min(kept.clears + added.clears, CountLimit);
  return out;
}

std::optional<Record> RecordFromText(const KeyValueText& text, std::string* why) {
  Record record;
  for (const auto& [key, field] :
       {std::pair{"runs", &record.runs}, std::pair{"clears", &record.clears}}) {
    const auto value = text.Get(key);
    if (!value) continue;
    const auto n = ParseCount(*value, CountLimit);
    if (!n) {
      if (why != nullptr) *why = std::string(key) + " is not a count";
      return std::nullopt;
    }
    *field = *n;
  }
  if (const auto value = text.Get("best")) {
    const auto n = ParseCount(*value, CountLimit);
    if (!n) {
      if (why != nullptr) *why = "best is not a time in seconds";
      return std::nullopt;
    }
    record.best = *n;
  }
  return record;
}

void PutRecord(const Record& record, KeyValueText& text) {
  if (record.best) text.Set("best", std::to_string(*record.best));
  text.Set("runs", std::to_string(record.runs));
  text.Set("clears", std::to_string(record.clears));
}

std::optional<Settings> SettingsFromText(const KeyValueText& text, std::string* why) {
  Settings settings;
  if (const auto value = text.Get("muted")) {
    if (*value != "0" && *value != "1") {
      if (why != nullptr) *why = "muted is neither 0 nor 1";
      return std::nullopt;
    }
    settings.muted = *value == "1";
  }
  return settings;
}

void PutSettings(const Settings& settings, KeyValueText& text) {
  text.Set("muted", settings.muted ? "1" : "0");
}

}  // namespace skelvar::records
