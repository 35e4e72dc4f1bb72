// Which of the seven watched keys each input source holds: the keyboard, the touch screen and
// every game controller hold their keys apart, and a key counts as held while any of them does.
#pragma once

#include <array>
#include <cstdint>

#include "world.h"

namespace skelvar {

// Sources by number: the keyboard, the touch screen, then one per controller slot.
inline constexpr int KeyboardSource = 0;
inline constexpr int TouchSource = 1;
inline constexpr int FirstControllerSource = 2;
inline constexpr int ControllerSlots = 8;
inline constexpr int InputSourceCount = FirstControllerSource + ControllerSlots;

constexpr bool IsInputSource(int source) {
  return source >= 0 && source < InputSourceCount;
}

class HeldKeys {
 public:
  // The watched keys as bits of a mask, in the order of WatchedKeys; 0 for any other code.
  static constexpr uint8_t Bit(int code) {
    for (std::size_t i = 0; i < WatchedKeys.size(); ++i) {
      if (WatchedKeys[i] == code) return static_cast<uint8_t>(1u << i);
    }
    return 0;
  }

  // The source holds the key; true when no source held it before.
  bool Press(int source, int code) {
    const uint8_t bit = Bit(code);
    if (bit == 0 || !IsInputSource(source)) return false;
    const bool first = !Held(code);
    held_[static_cast<std::size_t>(source)] |= bit;
    return first;
  }

  // The source lets go of the key; true when no source holds it now, whether or not this source
  // held it (a key pressed before the window had the focus is let go all the same).
  bool Release(int source, int code) {
    const uint8_t bit = Bit(code);
    if (bit == 0 || !IsInputSource(source)) return false;
    held_[static_cast<std::size_t>(source)] &= static_cast<uint8_t>(~bit);
    return !Held(code);
  }

  // The source lets go of everything; returns the keys, as a mask, that no source holds now but
  // this one did.
  uint8_t ReleaseAll(int source) {
    if (!IsInputSource(source)) return 0;
    const uint8_t was = held_[static_cast<std::size_t>(source)];
    held_[static_cast<std::size_t>(source)] = 0;
    return static_cast<uint8_t>(was & ~Any());
  }

  bool Held(int code) const { return (Any() & Bit(code)) != 0; }
  bool HeldBy(int source, int code) const {
    return IsInputSource(source) && (held_[static_cast<std::size_t>(source)] & Bit(code)) != 0;
  }
  // The keys one source holds, as a mask.
  uint8_t Mask(int source) const {
    return IsInputSource(source) ? held_[static_cast<std::size_t>(source)] : uint8_t{0};
  }
  // Every source's mask, by source number.
  std::array<uint8_t, InputSourceCount>& masks() { return held_; }
  const std::array<uint8_t, InputSourceCount>& masks() const { return held_; }
  // The keys any source holds, as a mask.
  uint8_t Any() const {
    uint8_t any = 0;
    for (uint8_t m : held_) any |= m;
    return any;
  }

 private:
  std::array<uint8_t, InputSourceCount> held_{};
};

}  // namespace skelvar
