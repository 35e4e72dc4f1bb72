// Keyboard keys as the game's Windows virtual-key codes.
#pragma once

#include <SDL.h>

namespace skelvar::ui {

// Enter (either), Esc, Space and the arrows get their virtual-key codes; letters, digits and
// function keys theirs too; every other key is 0, a code the game ignores. Never returns one of
// the game's seven codes for any other key.
int VirtualKeyCode(SDL_Keycode key);

// Whether an event asks to switch fullscreen on or off: F11 pressed (not its repeats) or a game
// controller's Guide button. F11 still reaches the game as any other key.
bool TogglesFullscreen(const SDL_Event& event);

}  // namespace skelvar::ui
