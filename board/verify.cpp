#include "board/verify.h"

#include "board/player.h"
#include "game/logic_version.h"
#include "run/run_code.h"
#include "run/verdict.h"

namespace skelvar::board {
namespace {

int Sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '-') return 62;
  if (c == '_') return 63;
  return -1;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                           text.front() == '\r')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                           text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

bool ReadVarint(std::string_view bytes, std::size_t& at, uint64_t& value) {
  value = 0;
  for (int shift = 0; shift < 70 && at < bytes.size(); shift += 7) {
    auto byte = static_cast<uint8_t>(bytes[at++]);
    value |= static_cast<uint64_t>(byte & 0x7f) << shift;
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> DecodeBase64Url(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 3 / 4);
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int sextet = Sextet(c);
    if (sextet < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(sextet);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<char>((bits >> count) & 0xff));
    }
  }
  if (count >= 6) return std::nullopt;
  return bytes;
}

std::string EncodeBase64Url(std::string_view bytes) {
  return tick::run_code::Base64Url(bytes);
}

std::optional<CodeHeader> PeekHeader(std::string_view text) {
  text = Trim(text);
  if (std::size_t link = text.rfind("#run="); link != std::string_view::npos) {
    text = text.substr(link + 5);
  }
  // The fields before the events fit in the first few hundred bytes of any code worth playing.
  std::string_view head = text.substr(0, std::min<std::size_t>(text.size(), 1024) / 4 * 4);
  std::optional<std::string> bytes = DecodeBase64Url(head);
  if (!bytes || bytes->empty()) return std::nullopt;
  CodeHeader header;
  header.format = static_cast<uint8_t>((*bytes)[0]);
  std::size_t at = 1;
  uint64_t value = 0;
  if (!ReadVarint(*bytes, at, header.logic)) return std::nullopt;
  auto skip = [&](uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
      if (!ReadVarint(*bytes, at, value)) return false;
    }
    return true;
  };
  if (header.format == tick::LaunchCodeFormat) {
    // The seed and the client's width and height.
    if (!skip(3)) return header;
  } else if (header.format == tick::RunCodeFormat) {
    // The seed, the generator's draws, the client's width and height, the fade's next tick, then
    // the start fields, two varints each.
    uint64_t fields = 0;
    if (!skip(5) || !ReadVarint(*bytes, at, fields) || fields > 4096 || !skip(2 * fields)) {
      return header;
    }
  } else {
    return header;
  }
  if (ReadVarint(*bytes, at, value)) header.ticks = value;
  return header;
}

std::variant<Verified, Refusal> VerifyCode(std::string_view text, int64_t maxTicks) {
  std::optional<CodeHeader> header = PeekHeader(text);
  if (header && header->logic == PlayLogicVersion && header->ticks &&
      *header->ticks > static_cast<uint64_t>(maxTicks)) {
    return Refusal{422,
                   "the run lasts longer than this board's " + std::to_string(maxTicks) + " ticks"};
  }
  std::string why;
  std::optional<run::Verdict> verdict = run::Judge(text, &why, true);
  if (!verdict) {
    // Another logic version is a run that was played, just not with this game: unprocessable
    // rather than unreadable.
    bool otherLogic =
        header &&
        (header->format == tick::RunCodeFormat || header->format == tick::LaunchCodeFormat) &&
        header->logic != static_cast<uint64_t>(PlayLogicVersion);
    return Refusal{otherLogic ? 422 : 400, why.empty() ? "the code cannot be read" : why};
  }
  if (verdict->logic != PlayLogicVersion) {
    return Refusal{422, "the run was made with logic version " + std::to_string(verdict->logic) +
                            ", this board ranks version " + std::to_string(PlayLogicVersion)};
  }
  if (!verdict->cleared) {
    return Refusal{422, std::string("the run does not catch the cat (it ends: ") +
                            run::EndName(verdict->ended) + ")"};
  }
  if (verdict->ticks > maxTicks) {
    return Refusal{422,
                   "the run lasts longer than this board's " + std::to_string(maxTicks) + " ticks"};
  }
  Verified verified;
  verified.code = std::move(verdict->code);
  verified.id = verdict->id.empty() ? Sha256Hex(verified.code) : std::move(verdict->id);
  verified.logic = verdict->logic;
  verified.ticks = verdict->ticks;
  return verified;
}

}  // namespace skelvar::board
