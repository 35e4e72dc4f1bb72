// What happened in the game since a frontend last looked, noted by the lines that make it happen:
// the sounds and the player's record are read from these rather than guessed from the state.
#pragma once

#include <cstdint>

namespace skelvar {

enum class Happening : uint8_t {
  RunStarted,      // StartGame ran
  Stepped,         // a game step ran
  Jumped,          // the player left the ground on a jump command
  Landed,          // the player came down onto the ground
  RemarkShown,     // the player's chatter put a remark over her head
  Contact,         // the step found her touching another character (HitIndex says which)
  OutcomePicture,  // an outcome picture was put in place to slide in
  ResultShown,     // the result text appeared (Outcome[HitIndex] says which)
  BackToMenu,      // ReturnToMenu ran
  StalkerHopped,   // a stalking character hopped at her (hopper says which)
  SwooperDived,    // a swooping character began a dive (diver says which)
};

struct Happenings {
  uint16_t bits = 0;
  // How many runs started: a frontend that looks less often than every tick still counts each.
  int32_t runsStarted = 0;
  int8_t hopper = -1;
  int8_t diver = -1;
  // The clear time the result text showed, when it showed one.
  int64_t clearSeconds = -1;

  void Note(Happening h) { bits = static_cast<uint16_t>(bits | Bit(h)); }
  bool Has(Happening h) const { return (bits & Bit(h)) != 0; }
  bool Any() const { return bits != 0; }
  // Both sets together, the later one's actors and clear time winning.
  void Add(const Happenings& later) {
    bits = static_cast<uint16_t>(bits | later.bits);
    runsStarted += later.runsStarted;
    if (later.hopper >= 0) hopper = later.hopper;
    if (later.diver >= 0) diver = later.diver;
    if (later.clearSeconds >= 0) clearSeconds = later.clearSeconds;
  }
  static constexpr uint16_t Bit(Happening h) {
    return static_cast<uint16_t>(1u << static_cast<unsigned>(h));
  }
};

}  // namespace skelvar
