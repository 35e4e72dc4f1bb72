#include "records/key_value_text.h"

#include <algorithm>
#include <charconv>

namespace skelvar::records {
namespace {

bool IsKey(std::string_view key) {
  return !key.empty() && key.size() <= 64 && std::all_of(key.begin(), key.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  });
}

// A value is one line of printable text; control characters would mean a damaged file.
bool IsValue(std::string_view value) {
  return !value.empty() && std::none_of(value.begin(), value.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
  });
}

}  // namespace

std::optional<std::string_view> KeyValueText::Get(std::string_view key) const {
  for (const auto& [k, v] : entries_) {
    if (k == key) return std::string_view(v);
  }
  return std::nullopt;
}

void KeyValueText::Set(std::string_view key, std::string_view value) {
  for (auto& [k, v] : entries_) {
    if (k == key) {
      v = value;
      return;
    }
  }
  entries_.emplace_back(key, value);
}

std::optional<KeyValueText> ParseKeyValueText(std::string_view text, std::string* why) {
  const auto fail = [why](std::string message) -> std::optional<KeyValueText> {
    if (why != nullptr) *why = std::move(message);
    return std::nullopt;
  };
  if (text.empty()) return fail("it is empty");
  if (text.back() != '\n') return fail("its last line is cut short");
  KeyValueText out;
  int line = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    const std::string_view row = text.substr(pos, end - pos);
    pos = end + 1;
    ++line;
    const size_t space = row.find(' ');
    const std::string_view key = row.substr(0, space);
    const std::string_view value =
        space == std::string_view::npos ? std::string_view() : row.substr(space + 1);
    if (!IsKey(key) || !IsValue(value)) {
      return fail("line " + std::to_string(line) + " is not a key and a value");
    }
    if (line == 1) {
      if (key != "version") return fail("it does not start with its version");
      if (value != KeptFileVersion)
        return fail("its version is not " + std::string(KeptFileVersion));
      continue;
    }
    if (key == "version" || out.Get(key)) {
      return fail("line " + std::to_string(line) + " repeats the key " + std::string(key));
    }
    out.Set(key, value);
  }
  return out;
}

std::string PrintKeyValueText(const KeyValueText& text) {
  std::string out = "version " + std::string(KeptFileVersion) + "\n";
  for (const auto& [k, v] : text.entries()) out += k + " " + v + "\n";
  return out;
}

std::optional<long long> ParseCount(std::string_view value, long long limit) {
  if (value.empty() || value.size() > 18) return std::nullopt;
  long long n = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (ec != std::errc() || end != value.data() + value.size() || n < 0 || n > limit) {
    return std::nullopt;
  }
  // from_chars takes a leading minus sign; only digits are a count.
  if (value.front() < '0' || value.front() > '9') return std::nullopt;
  return n;
}

}  // namespace skelvar::records
