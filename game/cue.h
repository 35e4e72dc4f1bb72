// The sounds the game can call for, one bit each so that a tick's sounds fit in one number that
// a frontend hands to its audio thread without locking.
#pragma once

#include <cstdint>

namespace skelvar {

enum class Cue : uint8_t {
  RunStart,   // a run begins
  Jump,       // she leaves the ground
  Land,       // she is back on it
  Remark,     // a remark appears over her head
  Caught,     // she touched the cat
  Bump,       // she touched anything else
  Whoosh,     // an outcome picture slides in
  Fanfare,    // the clear time appears
  Sting,      // the game-over text appears
  Menu,       // back at the menu
  DogYap,     // the stalking dog hops at her
  BirdSwoop,  // the bird dives while she is near
};
inline constexpr int CueCount = 12;

// A set of cues as bits, 1 << Cue.
using CueSet = uint16_t;
constexpr CueSet Bit(Cue c) {
  return static_cast<CueSet>(1u << static_cast<unsigned>(c));
}
constexpr bool Has(CueSet set, Cue c) {
  return (set & Bit(c)) != 0;
}

}  // namespace skelvar
