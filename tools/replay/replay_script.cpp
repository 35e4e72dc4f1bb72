#include "replay_script.h"

#include <array>
#include <charconv>

namespace skelvar::replay {
namespace {

constexpr int64_t MaxTick = 2'000'000'000;
constexpr int64_t MaxCoordinate = 1'000'000;
constexpr int64_t MaxClientSize = 32767;

// Splits on spaces and tabs; returns false when there are more than out.size() tokens.
bool Tokenise(std::string_view line, std::array<std::string_view, 5>& out, size_t& count) {
  count = 0;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size()) break;
    size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
    if (count == out.size()) return false;
    out[count++] = line.substr(i, j - i);
    i = j;
  }
  return true;
}

// Joins pieces without operator+ chains, which GCC 12 misreads under -Wrestrict at -O3.
std::string Join(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view p : pieces) out.append(p);
  return out;
}

std::string LineError(size_t lineNo, std::initializer_list<std::string_view> what) {
  std::string out = Join({"line ", std::to_string(lineNo), ": "});
  for (std::string_view p : what) out.append(p);
  return out;
}

}  // namespace

bool ParseInteger(std::string_view s, int64_t min, int64_t max, int64_t& out) {
  if (s.empty()) return false;
  if (s.front() == '+') s.remove_prefix(1);
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  if (v < min || v > max) return false;
  out = v;
  return true;
}

bool ParseScript(std::string_view text, std::vector<ScriptEvent>& events, std::string& error) {
  size_t lineNo = 0;
  int64_t lastTick = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t nl = text.find('\n', pos);
    std::string_view line = text.substr(pos, nl == std::string_view::npos ? nl : nl - pos);
    pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
    ++lineNo;
    if (line.find('\0') != std::string_view::npos) {
      error = LineError(lineNo, {"contains a NUL byte"});
      return false;
    }
    if (const size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    std::array<std::string_view, 5> tok;
    size_t n = 0;
    if (!Tokenise(line, tok, n)) {
      error = LineError(lineNo, {"too many fields"});
      return false;
    }
    if (n == 0) continue;

    ScriptEvent ev;
    int64_t tick = 0;
    if (!ParseInteger(tok[0], INT64_MIN, INT64_MAX, tick)) {
      error = LineError(lineNo, {"the tick stamp '", tok[0], "' is not a number"});
      return false;
    }
    if (tick < 1 || tick > MaxTick) {
      error = LineError(lineNo, {"the tick stamp ", tok[0], " is out of range (1..",
                                 std::to_string(MaxTick), ")"});
      return false;
    }
    if (tick < lastTick) {
      error = LineError(lineNo, {"the tick stamp ", std::to_string(tick),
                                 " is below the previous stamp ", std::to_string(lastTick)});
      return false;
    }
    if (n < 2) {
      error = LineError(lineNo, {"missing event name after the tick stamp"});
      return false;
    }
    const std::string_view name = tok[1];
    size_t wantArgs = 0;
    int64_t lo = 0, hi = 0;
    if (name == "keydown" || name == "keyup") {
      ev.kind = name == "keydown" ? EventKind::KeyDown : EventKind::KeyUp;
      wantArgs = 1, lo = 0, hi = 255;
    } else if (name == "mousemove" || name == "click") {
      ev.kind = name == "click" ? EventKind::Click : EventKind::MouseMove;
      wantArgs = 2, lo = -MaxCoordinate, hi = MaxCoordinate;
    } else if (name == "resize") {
      ev.kind = EventKind::Resize;
      wantArgs = 2, lo = 0, hi = MaxClientSize;
    } else {
      error = LineError(lineNo, {"unknown event '", name,
                                 "' (expected keydown, keyup, mousemove, click or resize)"});
      return false;
    }
    if (n != 2 + wantArgs) {
      error = LineError(
          lineNo, {"'", name, "' takes ", std::to_string(wantArgs),
                   (wantArgs == 1 ? " number" : " numbers"), ", got ", std::to_string(n - 2)});
      return false;
    }
    std::array<int64_t, 2> args{};
    for (size_t k = 0; k < wantArgs; ++k) {
      if (!ParseInteger(tok[2 + k], INT64_MIN, INT64_MAX, args[k])) {
        error = LineError(lineNo, {"'", tok[2 + k], "' is not a number"});
        return false;
      }
      if (args[k] < lo || args[k] > hi) {
        error = LineError(lineNo, {"the value ", tok[2 + k], " is out of range (",
                                   std::to_string(lo), "..", std::to_string(hi), ")"});
        return false;
      }
    }
    ev.tick = tick;
    ev.a = static_cast<int32_t>(args[0]);
    ev.b = static_cast<int32_t>(args[1]);
    events.push_back(ev);
    lastTick = tick;
  }
  return true;
}

}  // namespace skelvar::replay
