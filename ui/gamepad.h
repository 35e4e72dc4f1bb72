// Game controllers as more keyboards: buttons and the left stick hold the same seven key codes
// the arrows, Enter, Space and Esc hold. Each pad is its own input source of the game's held keys,
// so a pad and the keyboard holding one key let it go only together.
#pragma once

#include <SDL.h>

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "game/held_keys.h"

namespace skelvar::ui {

// A pad (its input source) starts or stops holding a code.
struct KeyTransition {
  int code;
  bool down;
  int source = FirstControllerSource;
};

// Opens controllers on hot-plug (SDL_CONTROLLERDEVICEADDED / REMOVED) and closes them again
// (RAII), keeping per-control held state so that two controls of one pad holding one code release
// it only together. Each open pad has a slot, its source number in the game's held keys.
class Gamepads {
 public:
  // Most transitions one event can produce: unplugging a pad that holds every code it can hold.
  // A pad beyond the game's controller slots is not opened.
  static constexpr std::size_t kMaxTransitionsPerEvent = 7;

  Gamepads() = default;
  Gamepads(const Gamepads&) = delete;
  Gamepads& operator=(const Gamepads&) = delete;
  Gamepads(Gamepads&&) = default;
  Gamepads& operator=(Gamepads&&) = default;
  ~Gamepads() = default;

  // Turns one SDL event into key transitions on the seven watched codes; returns how many it wrote
  // to out. With out at least kMaxTransitionsPerEvent long nothing is ever lost; a shorter span
  // gets the first transitions only, while the held state still follows the pad.
  int Handle(const SDL_Event& event, std::span<KeyTransition> out);

  // The window lost the focus, and with it the controllers' events until it comes back: every pad
  // lets go of everything it holds, writing the releases to out as Handle does. A button still
  // down when the focus returns holds its key again at its next press.
  int LetGoAll(std::span<KeyTransition> out);

  // How many controllers are open now.
  std::size_t OpenCount() const { return pads_.size(); }

 private:
  // Every physical control that can hold a code; a code stays down while any source of any pad
  // holds it.
  enum Source : std::size_t {
    kDpadLeft,
    kDpadRight,
    kDpadUp,
    kDpadDown,
    kStickLeft,
    kStickRight,
    kButtonSouth,
    kButtonEast,
    kButtonStart,
    kButtonBack,
    kSourceCount,
  };

  struct ControllerCloser {
    void operator()(SDL_GameController* controller) const { SDL_GameControllerClose(controller); }
  };

  struct Pad {
    std::unique_ptr<SDL_GameController, ControllerCloser> controller;
    SDL_JoystickID id = -1;
    int source = FirstControllerSource;
    std::array<bool, kSourceCount> held{};
    // How many of the pad's controls hold each key code (the watched codes are all below 64).
    std::array<int, 64> holders{};
  };

  class Writer;

  Pad* Find(SDL_JoystickID id);
  void Open(int device_index);
  void SetSource(Pad& pad, Source source, bool held, Writer& writer);

  static int CodeOf(Source source);

  std::vector<Pad> pads_;
};

}  // namespace skelvar::ui
