// The kept files' text: a "version 1" line, then one "key value" line each, in order. Keys this
// version does not know are carried through a rewrite untouched.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skelvar::records {

inline constexpr std::string_view KeptFileVersion = "1";

class KeyValueText {
 public:
  std::optional<std::string_view> Get(std::string_view key) const;
  // Replaces the key's value, or adds the key at the end.
  void Set(std::string_view key, std::string_view value);
  const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

// The entries of a well-formed text; otherwise nothing, and `why` says what is wrong. A text that
// ends without its last line's newline was cut short and is not well-formed.
std::optional<KeyValueText> ParseKeyValueText(std::string_view text, std::string* why);

// The text of the entries, the version line first.
std::string PrintKeyValueText(const KeyValueText& text);

// A whole number from 0 to limit, written as plain decimal digits.
std::optional<long long> ParseCount(std::string_view value, long long limit);

}  // namespace skelvar::records
