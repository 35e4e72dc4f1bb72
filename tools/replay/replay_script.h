// The replay tool's input: timed key, mouse and resize events, one per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skelvar::replay {

enum class EventKind { KeyDown, KeyUp, MouseMove, Click, Resize };

struct ScriptEvent {
  int64_t tick = 0;
  EventKind kind = EventKind::KeyDown;
  int32_t a = 0;  // key code, x, or width
  int32_t b = 0;  // y or height
};

// Parses a whole script. On a bad line returns false and sets error to a message that names the
// line number and the problem.
bool ParseScript(std::string_view text, std::vector<ScriptEvent>& events, std::string& error);

// Parses a whole decimal number in [min, max]; no sign for unsigned ranges, no spaces.
bool ParseInteger(std::string_view s, int64_t min, int64_t max, int64_t& out);

}  // namespace skelvar::replay
