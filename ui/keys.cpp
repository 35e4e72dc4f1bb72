#include "ui/keys.h"

#include "game/world.h"

namespace skelvar::ui {

int VirtualKeyCode(SDL_Keycode key) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_RETURN2:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    default:
      break;
  }
  // SDL's codes for printable keys are their characters, which collide with the arrows' codes
  // ('%' is 37), so only letters and digits pass, as the upper-case letter or digit code.
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  return 0;
}

bool TogglesFullscreen(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
      return event.key.keysym.sym == SDLK_F11 && event.key.repeat == 0;
    case SDL_CONTROLLERBUTTONDOWN:
      return event.cbutton.button == SDL_CONTROLLER_BUTTON_GUIDE;
    default:
      return false;
  }
}

}  // namespace skelvar::ui
