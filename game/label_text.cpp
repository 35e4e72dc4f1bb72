#include <charconv>
#include <cstring>

#include "scene.h"

namespace skelvar {
namespace {

// The longest prefix of s no longer than room that does not cut a UTF-8 sequence.
size_t FittingPrefix(std::string_view s, size_t room) {
  if (s.size() <= room) return s.size();
  size_t n = room;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace

void LabelText::assign(std::string_view s) {
  length_ = 0;
  append(s);
}

void LabelText::append(std::string_view s) {
  const size_t n = FittingPrefix(s, Capacity - length_);
  // An empty view may point nowhere, and even copying nothing from nowhere is not allowed.
  if (n > 0) std::memcpy(chars_.data() + length_, s.data(), n);
  length_ += n;
  chars_[length_] = '\0';
}

LabelText WithNumber(std::string_view pattern, int64_t number) {
  std::array<char, 24> digits{};
  const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), number);
  const std::string_view shown(digits.data(), ec == std::errc() ? end - digits.data() : 0);
  constexpr std::string_view placeholder = "%1%";
  LabelText text;
  size_t pos = 0;
  for (;;) {
    const size_t at = pattern.find(placeholder, pos);
    if (at == std::string_view::npos) break;
    text.append(pattern.substr(pos, at - pos));
    text.append(shown);
    pos = at + placeholder.size();
  }
  text.append(pattern.substr(pos));
  return text;
}

}  // namespace skelvar
