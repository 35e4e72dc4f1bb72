// A held key comes back the way a keyboard brings it back: once after a delay, then at a steady
// beat. A keyboard repeats its keys itself; controllers and fingers press once, so without this a
// key they still hold after a run's start cleared the keys would never be seen again.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>

#include "held_keys.h"
#include "world.h"

namespace skelvar {

class KeyRepeat {
 public:
  // A keyboard's usual timing: the first repeat half a second after the press, then one every
  // 33 ms.
  static constexpr double DelaySeconds = 0.5;
  static constexpr double IntervalSeconds = 0.033;

  // The source starts holding the key at `now`. The keyboard brings its own repeats and is left
  // out, as are codes the game does not watch; a key the source already holds keeps its beat.
  void Press(int source, int code, double now) {
    const int slot = Slot(source, code);
    if (slot < 0 || held_[Index(slot)]) return;
    held_[Index(slot)] = true;
    ++holding_;
    next_[Index(slot)] = now + DelaySeconds;
  }

  void Release(int source, int code) {
    const int slot = Slot(source, code);
    if (slot < 0 || !held_[Index(slot)]) return;
    held_[Index(slot)] = false;
    --holding_;
  }

  void ReleaseAll(int source) {
    for (int code : WatchedKeys) Release(source, code);
  }

  bool Holds(int source, int code) const {
    const int slot = Slot(source, code);
    return slot >= 0 && held_[Index(slot)];
  }

  // Calls repeat(source, code) once for every held key whose repeat has come by `now`, and
  // returns how many. Repeats that came since the last call count as one: the game reads its keys
  // once a tick, so a second press in between would change nothing.
  template <typename Repeat>
  int Due(double now, Repeat&& repeat) {
    int count = 0;
    // Most ticks no touch or controller key is held, and a keyboard's are never here.
    if (holding_ == 0) return count;
    for (int slot = 0; slot < Slots; ++slot) {
      const std::size_t i = Index(slot);
      if (!held_[i] || next_[i] > now) continue;
      // The next repeat is the first beat after now, so a late call does not bring a burst.
      next_[i] += (std::floor((now - next_[i]) / IntervalSeconds) + 1.0) * IntervalSeconds;
      repeat(slot / KeyCount, WatchedKeys[static_cast<std::size_t>(slot % KeyCount)]);
      ++count;
    }
    return count;
  }

 private:
  static constexpr int KeyCount = static_cast<int>(WatchedKeys.size());
  static constexpr int Slots = InputSourceCount * KeyCount;

  static constexpr std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }

  // -1 for the keyboard, a source out of range or an unwatched code.
  static constexpr int Slot(int source, int code) {
    if (source == KeyboardSource || !IsInputSource(source)) return -1;
    for (int k = 0; k < KeyCount; ++k) {
      if (WatchedKeys[static_cast<std::size_t>(k)] == code) return source * KeyCount + k;
    }
    return -1;
  }

  std::array<bool, Slots> held_{};
  std::array<double, Slots> next_{};
  int holding_ = 0;  // how many of held_ are set
};

}  // namespace skelvar
