// A run's id: the SHA-256 of what makes it the run it is, in lower-case hex.
#pragma once

#include <string>
#include <string_view>

namespace skelvar::run {

// Empty where the build has no hash (the node build).
std::string RunId(std::string_view canonicalBytes);

}  // namespace skelvar::run
