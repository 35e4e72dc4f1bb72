// A sent code judged by the game's own verdict: kept only if it catches the cat with the board's
// logic version, within the ticks a run may last.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace skelvar::board {

struct Verified {
  std::string id;
  std::string code;  // re-encoded in the current format
  int64_t logic = 0;
  int64_t ticks = 0;
};

struct Refusal {
  int status = 400;
  std::string reason;
};

std::variant<Verified, Refusal> VerifyCode(std::string_view text, int64_t maxTicks);

// Cursors are base64url, as run codes are; none for any other text.
std::optional<std::string> DecodeBase64Url(std::string_view text);
std::string EncodeBase64Url(std::string_view bytes);

}  // namespace skelvar::board
