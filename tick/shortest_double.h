// The shortest decimal text that reads back as the same double, in the exact form the C++
// library's plain std::to_chars writes it, for compilers whose library lacks that overload.
#pragma once

#include <cstddef>

namespace skelvar::tick {

// Enough room for any double this writes ("-2.2250738585072014e-308", "-1.7976931348623157e+308"
// or a fixed form never longer than those).
inline constexpr std::size_t ShortestDoubleMaxChars = 32;

// Writes v at out (no terminating NUL) and returns one past the last character written; out must
// have room for ShortestDoubleMaxChars characters. The digits are the fewest that round-trip, the
// closest to v when several do; the form is fixed or scientific, whichever is shorter (fixed on a
// tie), and a fixed whole number is written exactly.
char* WriteShortestDouble(char* out, double v);

}  // namespace skelvar::tick
