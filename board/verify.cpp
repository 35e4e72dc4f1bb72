#include "board/verify.h"

#include "board/player.h"
#include "game/logic_version.h"
#include "run/run_code.h"
#include "run/verdict.h"

namespace skelvar::board {

std::optional<std::string> DecodeBase64Url(std::string_view text) {
  return tick::run_code::FromBase64Url(text);
}

std::string EncodeBase64Url(std::string_view bytes) {
  return tick::run_code::Base64Url(bytes);
}

std::variant<Verified, Refusal> VerifyCode(std::string_view text, int64_t maxTicks) {
  const std::optional<tick::run_code::Header> header = tick::run_code::PeekHeader(text);
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
