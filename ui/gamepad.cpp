#include "ui/gamepad.h"

#include <algorithm>
#include <optional>

namespace skelvar::ui {

namespace {

std::optional<PadControl> ControlOf(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return PadControl::DpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return PadControl::DpadRight;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return PadControl::DpadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return PadControl::DpadDown;
    case SDL_CONTROLLER_BUTTON_A:
      return PadControl::South;
    case SDL_CONTROLLER_BUTTON_B:
      return PadControl::East;
    case SDL_CONTROLLER_BUTTON_START:
      return PadControl::Start;
    case SDL_CONTROLLER_BUTTON_BACK:
      return PadControl::Back;
    default:
      return std::nullopt;
  }
}

}  // namespace

Gamepads::Pad* Gamepads::Find(SDL_JoystickID id) {
  auto it = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& pad) { return pad.id == id; });
  return it == pads_.end() ? nullptr : &*it;
}

void Gamepads::Open(int device_index) {
  // SDL announces controllers already present at start-up with the same event as a hot-plug, and
  // may announce one twice; a pad already open is left as it is.
  if (Find(SDL_JoystickGetDeviceInstanceID(device_index)) != nullptr) return;
  const int slot = model_.FreeSlot();
  if (slot < 0) return;
  SDL_GameController* controller = SDL_GameControllerOpen(device_index);
  if (controller == nullptr) return;
  Pad pad;
  pad.slot = slot;
  pad.controller.reset(controller);
  pad.id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  model_.Connect(slot);
  pads_.push_back(std::move(pad));
}

int Gamepads::Handle(const SDL_Event& event, std::span<KeyTransition> out) {
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
      Open(event.cdevice.which);
      return 0;
    case SDL_CONTROLLERDEVICEREMOVED: {
      Pad* pad = Find(event.cdevice.which);
      if (pad == nullptr) return 0;
      // An unplugged pad lets go of everything it held, or the girl would run on forever.
      const int written = model_.Disconnect(pad->slot, out);
      pads_.erase(pads_.begin() + (pad - pads_.data()));
      return written;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      const Pad* pad = Find(event.cbutton.which);
      const std::optional<PadControl> control = ControlOf(event.cbutton.button);
      if (pad == nullptr || !control) return 0;
      return model_.Set(pad->slot, *control, event.type == SDL_CONTROLLERBUTTONDOWN, out);
    }
    case SDL_CONTROLLERAXISMOTION: {
      if (event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX) return 0;
      const Pad* pad = Find(event.caxis.which);
      if (pad == nullptr) return 0;
      return model_.SetStick(pad->slot, event.caxis.value / 32767.0, out);
    }
    default:
      return 0;
  }
}

}  // namespace skelvar::ui
