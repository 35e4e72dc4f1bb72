// The version of the play logic, which a run code carries: a run made by other logic would not
// replay the same, so a code from another version is refused rather than played differently. It
// goes up whenever a change makes any input give a different state.
#pragma once

namespace skelvar {

inline constexpr int PlayLogicVersion = 1;

}  // namespace skelvar
