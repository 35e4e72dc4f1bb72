// The version of the play logic, which a run code carries: a run made by other logic would not
// replay the same, so a code from another version is refused rather than played differently. It
// goes up whenever a change makes any input give a different state.
#pragma once

#include <cstddef>

namespace skelvar {

inline constexpr int PlayLogicVersion = 1;

// The longest run code the game reads or keeps: a few minutes of play fit with room to spare.
inline constexpr std::size_t MaxRunCodeChars = 16384;

}  // namespace skelvar
