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

// What a code says of itself before it is played: its format, logic version and, where the
// header is read that far, its ticks. None for text that does not start like a code.
struct CodeHeader {
  int format = 0;
  uint64_t logic = 0;
  std::optional<uint64_t> ticks;
};
std::optional<CodeHeader> PeekHeader(std::string_view text);

// base64url without padding; none for any other character or a dangling one.
std::optional<std::string> DecodeBase64Url(std::string_view text);
std::string EncodeBase64Url(std::string_view bytes);

}  // namespace skelvar::board
