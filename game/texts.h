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
extern const std::string_view ApplicationTitle;

}  // namespace skelvar
