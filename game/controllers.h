// Game controllers as more keyboards, whatever device reads them: the D-pad and the left stick
// past half its travel hold the arrows, south holds Space, east Up, Start Enter and Back Esc. Each
// pad sits in a controller slot, its own source of the game's held keys, and counts how many of
// its controls hold each key, so that two controls of one pad holding one key let it go only
// together, and one pad letting go never frees a key another pad still holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "held_keys.h"
#include "world.h"

namespace skelvar {

// The controls that hold keys, named as the game sees them; each frontend maps its device's
// buttons and axes onto these.
enum class PadControl : uint8_t {
  DpadLeft,
  DpadRight,
  DpadUp,
  DpadDown,
  South,
  East,
  Start,
  Back,
  StickLeft,
  StickRight,
};
inline constexpr std::size_t PadControlCount = 10;
// The buttons only, as bits of a mask for a device read all at once.
inline constexpr std::size_t PadButtonCount = 8;

constexpr uint32_t PadButtonBit(PadControl control) {
  return 1u << static_cast<unsigned>(control);
}

// The key each control holds.
inline constexpr std::array<int, PadControlCount> PadControlKeys = {
    VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SPACE, VK_UP, VK_RETURN, VK_ESCAPE, VK_LEFT, VK_RIGHT};

// The left stick steers only when pushed past half its travel (the axis runs from -1 to 1), so a
// resting or drifting stick never walks the girl.
inline constexpr double StickThreshold = 16384.0 / 32767.0;

// A pad (its input source) starts or stops holding a key.
struct KeyTransition {
  int code = 0;
  bool down = false;
  int source = FirstControllerSource;
  bool operator==(const KeyTransition&) const = default;
};

class Controllers {
 public:
  // Most transitions one call for one pad can write: every control of the pad changing at once.
  static constexpr std::size_t MaxTransitions = PadControlCount;
  // Most transitions letting go of every pad can write.
  static constexpr std::size_t MaxLetGoTransitions = ControllerSlots * WatchedKeys.size();

  // Calls below write transitions to out and return how many. What does not fit in out is
  // dropped, but the counts still follow the pad, so a later release still matches its press.

  // The lowest slot no pad is in, or -1 when every slot is taken.
  int FreeSlot() const;
  // A pad comes into a slot, holding nothing; false for a slot out of range.
  bool Connect(int slot);
  bool Connected(int slot) const;
  std::size_t ConnectedCount() const;
  // The pad's input source in the game's held keys.
  static constexpr int SourceOf(int slot) { return FirstControllerSource + slot; }

  // One control of a connected pad goes down or up.
  int Set(int slot, PadControl control, bool held, std::span<KeyTransition> out);
  // The left stick's horizontal axis moved to x (-1 left to 1 right). The side it leaves lets go
  // before the side it reaches holds, so a stick flicked across never holds both.
  int SetStick(int slot, double x, std::span<KeyTransition> out);
  // A device read whole: the buttons down as a mask of PadButtonBit, then the stick.
  int Read(int slot, uint32_t buttons, double x, std::span<KeyTransition> out);

  // The pad leaves its slot, letting go of every key it held.
  int Disconnect(int slot, std::span<KeyTransition> out);
  // Every pad lets go of everything and stays in its slot; a control still down holds its key
  // again only when it is next pressed (or read down).
  int LetGoAll(std::span<KeyTransition> out);
  // Every pad leaves without a word: the game they held keys in is gone.
  void Forget();

 private:
  struct Pad {
    bool connected = false;
    std::array<bool, PadControlCount> held{};
    // How many of the pad's controls hold each watched key, in the order of WatchedKeys.
    std::array<uint8_t, WatchedKeys.size()> holders{};
  };

  class Writer;

  static bool InRange(int slot) { return slot >= 0 && slot < ControllerSlots; }
  Pad* Find(int slot);
  void SetControl(int slot, Pad& pad, PadControl control, bool held, Writer& writer);
  void LetGo(int slot, Pad& pad, Writer& writer);

  std::array<Pad, ControllerSlots> pads_{};
};

}  // namespace skelvar
