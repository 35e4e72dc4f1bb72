// Game controllers read through SDL: which device is which pad, and which of its buttons is which
// of the game's controls. What each control holds, and the counting per pad, is the game's.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "game/controllers.h"

namespace skelvar::ui {

using skelvar::KeyTransition;

// Opens controllers on hot-plug (SDL_CONTROLLERDEVICEADDED / REMOVED) and closes them again
// (RAII), and feeds their buttons and left stick to the game's controller model, which holds the
// keys. Each open pad has a slot, its source number in the game's held keys.
class Gamepads {
 public:
  // Most transitions one event can produce: unplugging a pad that holds every key it can hold.
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
  int LetGoAll(std::span<KeyTransition> out) { return model_.LetGoAll(out); }

  // How many controllers are open now.
  std::size_t OpenCount() const { return pads_.size(); }

 private:
  struct ControllerCloser {
    void operator()(SDL_GameController* controller) const { SDL_GameControllerClose(controller); }
  };

  struct Pad {
    std::unique_ptr<SDL_GameController, ControllerCloser> controller;
    SDL_JoystickID id = -1;
    int slot = 0;
  };

  Pad* Find(SDL_JoystickID id);
  void Open(int device_index);

  std::vector<Pad> pads_;
  Controllers model_;
};

}  // namespace skelvar::ui
