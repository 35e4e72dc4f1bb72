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
  out.bestRun = kept.bestRun;
  if (added.best && (!out.best || *added.best < *out.best)) {
    out.best = added.best;
    out.bestRun = added.bestRun;
  }
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
  if (const auto value = text.Get("best_run")) {
    // A run code is base64url text: its own decoder checks the rest when the run is raced.
    const bool code = !value->empty() && value->size() <= MaxRunCodeChars &&
                      std::all_of(value->begin(), value->end(), [](char c) {
                        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                               (c >= '0' && c <= '9') || c == '-' || c == '_';
                      });
    if (!code) {
      if (why != nullptr) *why = "best_run is not a run code";
      return std::nullopt;
    }
    record.bestRun = std::string(*value);
  }
  return record;
}

void PutRecord(const Record& record, KeyValueText& text) {
  if (record.best) text.Set("best", std::to_string(*record.best));
  text.Set("runs", std::to_string(record.runs));
  text.Set("clears", std::to_string(record.clears));
  if (!record.bestRun.empty()) text.Set("best_run", record.bestRun);
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
  if (const auto value = text.Get("ghost")) {
    if (*value != "0" && *value != "1") {
      if (why != nullptr) *why = "ghost is neither 0 nor 1";
      return std::nullopt;
    }
    settings.ghost = *value == "1";
  }
  return settings;
}

void PutSettings(const Settings& settings, KeyValueText& text) {
  text.Set("muted", settings.muted ? "1" : "0");
  text.Set("ghost", settings.ghost ? "1" : "0");
}

}  // namespace skelvar::records
