// The API's answers as JSON: what a kept run, a page of the board, a player's place and the
// health probe look like, and how a sent body is read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "board/player.h"
#include "board/store.h"

namespace skelvar::board {

struct Answer {
  int status = 200;
  std::string body;
  const char* type = "application/json";
  int retryAfter = 0;  // seconds, sent as Retry-After when not 0
  std::string why;     // the refusal's reason, for the log
};

Answer Refuse(int status, std::string reason, int retryAfter = 0);
Answer KeptAnswer(const Kept& kept);
Answer HealthAnswer();

// `limit`, `after`, `logic` and `name` are the query's values, null where absent.
Answer BoardAnswer(Store& store, const char* limit, const char* after, const char* logic);
Answer AroundAnswer(Store& store, const char* name, const char* logic);
Answer CodeAnswer(Store& store, std::string_view id);

struct Submission {
  std::string code;
  PlayerName name;
  std::string keyHash;
};
// The body of POST /api/runs: {"code", "name", "key"}, or the 400 that refuses it.
std::variant<Submission, Answer> ReadSubmission(std::string_view body);

// The ticks at 20 a second, to hundredths.
double Seconds(int64_t ticks);
// Milliseconds since 1970 as ISO 8601 UTC to the second.
std::string IsoDate(int64_t milliseconds);

std::string EncodeCursor(Place place);
std::optional<Place> DecodeCursor(std::string_view cursor);

}  // namespace skelvar::board
