#include "records/record_store.h"

namespace skelvar::records {
namespace {

bool IsRecord(const KeyValueText& text, std::string* why) {
  return RecordFromText(text, why).has_value();
}

bool IsSettings(const KeyValueText& text, std::string* why) {
  return SettingsFromText(text, why).has_value();
}

}  // namespace

RecordStore::RecordStore(std::string folder, WarningSink warn)
    : file_(std::move(folder), "records", IsRecord, std::move(warn)) {}

Record RecordStore::Load() {
  const auto text = file_.Load();
  return text ? RecordFromText(*text, nullptr).value_or(Record{}) : Record{};
}

std::optional<Record> RecordStore::Add(const Record& unsaved) {
  Record merged;
  const auto written = file_.Update([&](KeyValueText& text) {
    merged = Merged(RecordFromText(text, nullptr).value_or(Record{}), unsaved);
    PutRecord(merged, text);
  });
  if (!written) return std::nullopt;
  return merged;
}

SettingsStore::SettingsStore(WarningSink warn, std::string folder)
    : file_(std::move(folder), "settings", IsSettings, std::move(warn)) {}

Settings SettingsStore::Load() {
  const auto text = file_.Load();
  last_ = text ? SettingsFromText(*text, nullptr).value_or(Settings{}) : Settings{};
  return last_;
}

void SettingsStore::Save(const Settings& settings) {
  if (settings == last_) return;
  last_ = settings;
  file_.Update([&](KeyValueText& text) { PutSettings(settings, text); });
}

RecordBook::RecordBook(std::string folder, WarningSink warn)
    : store_(std::move(folder), std::move(warn)), loaded_(store_.Load()) {}

void RecordBook::Follow(RecordKeeper& keeper, bool changed, bool backAtMenu) {
  if (changed) {
    if (const auto kept = store_.Add(keeper.Unsaved())) keeper.Saved(*kept);
  }
  if (backAtMenu) keeper.Refresh(store_.Load());
}

}  // namespace skelvar::records
