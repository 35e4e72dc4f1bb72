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

}  // namespace skelvar
