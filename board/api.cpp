#include "board/api.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <nlohmann/json.hpp>

#include "board/verify.h"
#include "game/logic_version.h"
#include "run/run_code.h"

namespace skelvar::board {
namespace {

using nlohmann::json;

constexpr int DefaultPage = 20;
constexpr int MaxPage = 100;
constexpr int AroundEach = 5;

template <typename Number>
std::optional<Number> ReadInteger(std::string_view text) {
  Number value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<int64_t> ReadLogic(const char* logic) {
  if (logic == nullptr) return PlayLogicVersion;
  std::optional<int64_t> value = ReadInteger<int64_t>(logic);
  if (!value || *value < 0) return std::nullopt;
  return value;
}

json EntryJson(const Entry& entry) {
  return json{{"rank", entry.rank},         {"name", entry.name},
              {"ticks", entry.place.ticks}, {"seconds", Seconds(entry.place.ticks)},
              {"date", IsoDate(entry.at)},  {"id", entry.id}};
}

Answer Json(int status, const json& value) {
  Answer answer;
  answer.status = status;
  answer.body = value.dump();
  return answer;
}

bool IsHexId(std::string_view id) {
  if (id.size() != 64) return false;
  for (char c : id) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace

double Seconds(int64_t ticks) {
  return static_cast<double>(ticks * 5) / 100.0;
}

std::string IsoDate(int64_t milliseconds) {
  std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string EncodeCursor(Place place) {
  return EncodeBase64Url(std::to_string(place.ticks) + "." + std::to_string(place.seq));
}

std::optional<Place> DecodeCursor(std::string_view cursor) {
  std::optional<std::string> text = DecodeBase64Url(cursor);
  if (!text) return std::nullopt;
  std::size_t dot = text->find('.');
  if (dot == std::string::npos) return std::nullopt;
  std::optional<int64_t> ticks = ReadInteger<int64_t>(std::string_view(*text).substr(0, dot));
  std::optional<int64_t> seq = ReadInteger<int64_t>(std::string_view(*text).substr(dot + 1));
  if (!ticks || !seq || *ticks < 0 || *seq < 0) return std::nullopt;
  return Place{*ticks, *seq};
}

Answer Refuse(int status, std::string reason, int retryAfter) {
  Answer answer = Json(status, json{{"error", reason}});
  answer.retryAfter = retryAfter;
  answer.why = std::move(reason);
  return answer;
}

Answer KeptAnswer(const Kept& kept) {
  if (kept.as == KeptAs::NameTaken) return Refuse(409, "the name belongs to another player's key");
  json rank = kept.rank ? json(*kept.rank) : json(nullptr);
  return Json(kept.as == KeptAs::Added ? 201 : 200, json{{"id", kept.id},
                                                         {"ticks", kept.ticks},
                                                         {"seconds", Seconds(kept.ticks)},
                                                         {"rank", rank}});
}

Answer HealthAnswer() {
  return Json(200, json{{"board", "skelvar"}, {"logic", PlayLogicVersion}});
}

Answer BoardAnswer(Store& store, const char* limit, const char* after, const char* logic) {
  int count = DefaultPage;
  if (limit != nullptr) {
    std::optional<int64_t> asked = ReadInteger<int64_t>(limit);
    if (!asked) return Refuse(400, "limit is not a whole number");
    count = static_cast<int>(std::clamp<int64_t>(*asked, 1, MaxPage));
  }
  Place from;
  if (after != nullptr && *after != '\0') {
    std::optional<Place> cursor = DecodeCursor(after);
    if (!cursor) return Refuse(400, "the cursor cannot be read");
    from = *cursor;
  }
  std::optional<int64_t> version = ReadLogic(logic);
  if (!version) return Refuse(400, "logic is not a version number");

  Page page = store.Board(*version, from, count);
  json entries = json::array();
  for (const Entry& entry : page.entries) entries.push_back(EntryJson(entry));
  return Json(200, json{{"entries", std::move(entries)},
                        {"next", page.next ? json(EncodeCursor(*page.next)) : json(nullptr)}});
}

Answer AroundAnswer(Store& store, const char* name, const char* logic) {
  if (name == nullptr) return Refuse(400, "name is missing");
  std::string why;
  std::optional<PlayerName> player = ReadName(name, &why);
  if (!player) return Refuse(400, why);
  std::optional<int64_t> version = ReadLogic(logic);
  if (!version) return Refuse(400, "logic is not a version number");
  std::optional<Around> around = store.AroundPlayer(*version, player->folded, AroundEach);
  if (!around) return Refuse(404, "no such player on the board");
  json entries = json::array();
  for (const Entry& entry : around->entries) entries.push_back(EntryJson(entry));
  return Json(200, json{{"rank", around->rank}, {"entries", std::move(entries)}});
}

Answer CodeAnswer(Store& store, std::string_view id) {
  if (!IsHexId(id)) return Refuse(404, "no such run");
  std::optional<std::string> code = store.Code(id);
  if (!code) return Refuse(404, "no such run");
  Answer answer;
  answer.body = std::move(*code);
  answer.type = "text/plain; charset=utf-8";
  return answer;
}

std::variant<Submission, Answer> ReadSubmission(std::string_view body) {
  json value = json::parse(body, nullptr, false);
  if (value.is_discarded() || !value.is_object())
    return Refuse(400, "the body is not a JSON object");
  auto text = [&](const char* field) -> const std::string* {
    auto it = value.find(field);
    return it != value.end() && it->is_string() ? it->get_ptr<const std::string*>() : nullptr;
  };
  const std::string* code = text("code");
  const std::string* name = text("name");
  const std::string* key = text("key");
  if (code == nullptr || name == nullptr || key == nullptr) {
    return Refuse(400, "code, name and key must each be a string");
  }
  if (code->empty() || code->size() > MaxRunCodeChars + tick::MaxRunLinkPrefixChars) {
    return Refuse(400, "the code is empty or longer than any run code");
  }
  if (!IsKey(*key)) return Refuse(400, "the key must be 16 to 64 characters of base64url");
  std::string why;
  std::optional<PlayerName> player = ReadName(*name, &why);
  if (!player) return Refuse(400, why);
  return Submission{*code, std::move(*player), Sha256Hex(*key)};
}

}  // namespace skelvar::board
