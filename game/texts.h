// Everything the girl and the game say, in UTF-8.
#pragma once

#include <array>
#include <string_view>

namespace skelvar {

extern const std::array<std::string_view, 38> ChatterMessages;
extern const std::array<std::string_view, 15> ClearCries;
extern const std::array<std::string_view, 17> OverCries;
extern const std::array<std::string_view, 2> ResultTexts;
extern const std::string_view StartHint;
// The menu's record line, the best clear time in seconds at "%1%"; the second after a new best.
extern const std::string_view BestTimeText;
extern const std::string_view NewBestTimeText;
extern const std::string_view ApplicationTitle;

// A frontend's notes on their plaque: a run being watched, and over; a run's code handed out, one
// too long for a code, and a code that is no run this game can play.
extern const std::string_view ReplayNote;
extern const std::string_view ReplayOverNote;
extern const std::string_view CopiedNote;
extern const std::string_view TooLongNote;
extern const std::string_view RefusedNote;

}  // namespace skelvar
