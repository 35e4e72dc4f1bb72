// Who sends a run: a name shown on the board and a key that proves it is the same player.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skelvar::board {

struct PlayerName {
  std::string shown;   // NFKC
  std::string folded;  // NFKC, case-folded, NFKC again: what two names are compared by
};

inline constexpr int MaxNameCodePoints = 12;

// A name of 1 to 12 code points after NFKC, none of them a control, format, private-use,
// unassigned or line-breaking character, not starting or ending with white space. None, with
// `why` set, for any other text, ill-formed UTF-8 included.
std::optional<PlayerName> ReadName(std::string_view utf8, std::string* why);

// A key is 16 to 64 characters of base64url.
bool IsKey(std::string_view key);

// SHA-256 of the bytes in lower-case hex.
std::string Sha256Hex(std::string_view bytes);

}  // namespace skelvar::board
